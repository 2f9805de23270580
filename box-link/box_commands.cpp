#include "box_commands.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr BoxCommandKind Q = BoxCommandKind::Query;
constexpr BoxCommandKind S = BoxCommandKind::Set;
constexpr BoxCommandKind A = BoxCommandKind::Action;

const BoxCommandInfo table[] = {
    {0, "mode:?", Q},
    {1, "mode:", S},
    {3, "acq:", S},
    {4, "get", A},
    {5, "freq:?", Q},
    {6, "freq:", S},
    {7, "TS:?", Q},
    {8, "TS:", S},
    {16, "print:", S},
    {17, "save:?", Q},
    {18, "save:", S},
    {19, "EINIT", A},
    {32, "pturns:?", Q},
    {33, "pturns:", S},
    {34, "cal:?", Q},
    {35, "cal:", S},
    {36, "alarm:?", Q},
    {37, "alarm:ulim:", S},
    {38, "alarm:llim:", S},
    {39, "alarm:ulim:?", Q},
    {40, "alarm:llim:?", Q},
    {41, "alarm:", S},
    {49, "trg:?", Q},
    {50, "trg:", S},
    {53, "acqt:?", Q},
    {54, "acqt:", S},
    {65, "gett:adc", A},
    {67, "ver:?", Q},
    {68, "time:", S},
    {69, "time:?", Q},
    {70, "date:", S},
    {71, "date:?", Q},
    {72, "sentrel:name:", S},
    {73, "sentrel:name:?", Q},
    {80, "status:?", Q},
    {82, "err:?", Q},
    {83, "err:clr", A},
    {96, "SD:LS", A},
    {97, "SD:READ:", S},
    {98, "SD:RM:", S},
    {101, "SD:MOUNT", A},
    {102, "SD:UNMOUNT", A},
    {103, "SD:?", Q},
    {112, "password:", S},
    {113, "match:?", Q},
    {114, "match:force", A},
    {117, "offset:?", Q},
    {118, "offset:ZERO", A},
    {120, "scale:pos:", S},
    {121, "scale:neg:", S},
    {128, "gain:neg:", S},
    {129, "gain:pos:", S},
    {130, "gain:pos:?", Q},
    {131, "gain:neg:?", Q},
    {133, "sentrel:sn:?", Q},
    {134, "sentrel:des:?", Q},
    {136, "ip:?", Q},
    {137, "ip:", S},
    {144, "mask:?", Q},
    {145, "mask:", S},
    {146, "gate:?", Q},
    {147, "gate:", S},
    {148, "mac:?", Q},
    {149, "mac:", S},
    {256, "dcct:sn:?", Q},
    {257, "dcct:des:?", Q},
    {258, "dcct:model:?", Q},
    {259, "dcct:des:", S},
    {260, "dcct:model:", S},
    {261, "sentrel:des:", S},
    {262, "ip:new:?", Q},
    {263, "ip:new:", S},
    {264, "mask:new:?", Q},
    {272, "gate:new:?", Q},
    {274, "mac:new:?", Q},
};

} // namespace

const BoxCommandInfo* findBoxCommand(int code)
{
    const auto it = std::lower_bound(std::begin(table), std::end(table), code,
                                     [](const BoxCommandInfo& e, int c) { return e.code < c; });
    if (it == std::end(table) || it->code != code)
        return nullptr;
    return it;
}

const BoxCommandInfo* boxCommands(int* count)
{
    *count = int(std::size(table));
    return table;
}

QString boxCommandText(const BoxCommandInfo& info, const QString& arg)
{
    const QString text = QString::fromLatin1(info.text);
    return info.kind == BoxCommandKind::Set ? text + arg : text;
}
