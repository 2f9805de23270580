// The acquisition stream: bytes fed to the wire layer's stream decoder in
// chunks the input chooses, and each line through the line parser.

#include "box_protocol.h"
#include "command.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the line layout (0..7, or out of range); second: chunk size.
    const int layout = data[0] % 9;
    const size_t step = size_t(data[1]) + 1;
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const size_t n = size - 2;

    StreamSample sample;
    parseStreamLine(bytes, bytes + n, layout, &sample);

    int timeout = 100;
    Command command(nullptr, nullptr, &timeout, true);
    command.line_layout = layout;
    for (size_t at = 0; at < n; at += step)
        command.feed_stream(bytes + at, qsizetype(qMin(step, n - at)));

    const int lines = command.stream_counter.size();
    if (command.stream_current.size() != lines)
        std::abort();
    if (command.stream_buffer.size() > Command::stream_buffer_cap)
        std::abort();
    if (command.stream_flags < -1 || command.stream_flags > 255)
        std::abort();
    command.reset_stream();
    if (!command.stream_buffer.isEmpty() || !command.stream_counter.isEmpty())
        std::abort();
    return 0;
}
