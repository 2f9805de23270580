#include "commandline.h"

#include "loggers.h"

#include <cstdio>

namespace CommandLine
{

namespace
{
constexpr const char* helpWord = "-help";
constexpr const char* levelWords[] = {"-loglevel=trace", "-loglevel=debug", "-loglevel=info",
                                      "-loglevel=warn",  "-loglevel=err",   "-loglevel=critical"};
constexpr const char* levelNames[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERR", "CRITICAL"};

static_assert(optionHash("-help") != optionHash("-loglevel=trace") &&
                  optionHash("-loglevel=trace") != optionHash("-loglevel=debug") &&
                  optionHash("-loglevel=debug") != optionHash("-loglevel=info") &&
                  optionHash("-loglevel=info") != optionHash("-loglevel=warn") &&
                  optionHash("-loglevel=warn") != optionHash("-loglevel=err") &&
                  optionHash("-loglevel=err") != optionHash("-loglevel=critical"),
              "option words must hash apart");

void writeOut(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}
} // namespace

Option match(const QByteArray& argument)
{
    const std::string_view text(argument.constData(), size_t(argument.size()));
    Option option;
    // The hash only picks the candidate; the text itself must still match,
    // so no other argument can land on an option by collision.
    switch (optionHash(text)) {
    case optionHash("-help"):
        if (text == helpWord)
            option.kind = Option::Help;
        break;
    case optionHash("-loglevel=trace"):
    case optionHash("-loglevel=debug"):
    case optionHash("-loglevel=info"):
    case optionHash("-loglevel=warn"):
    case optionHash("-loglevel=err"):
    case optionHash("-loglevel=critical"):
        for (int level = 0; level < 6; ++level) {
            if (text == levelWords[level]) {
                option.kind = Option::LogLevel;
                option.level = level;
            }
        }
        break;
    default:
        break;
    }
    return option;
}

QByteArray usageText()
{
    QByteArray text("Valid arguments are:\n\r"
                    "-help to show this help\n\r"
                    "-loglevel=level to set the loglevel where level can be\n\r");
    for (const char* word : levelWords)
        text += '\t' + QByteArray(word).mid(int(sizeof("-loglevel=")) - 1) + "\n\r";
    return text;
}

QByteArray invalidArgumentText(const QByteArray& argument)
{
    return "Invalid argument " + argument + ". Please read help, option -help\n\r";
}

const char* levelName(int level)
{
    return level >= 0 && level < 6 ? levelNames[level] : "";
}

int applyArguments(int argc, char** argv)
{
    mainWindowLogger->info("Detected {} input argument[s]", argc - 1);
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        mainWindowLogger->info("Parssing input {}", argument);
        const Option option = match(argument);
        switch (option.kind) {
        case Option::Help:
            writeOut(usageText());
            mainWindowLogger->debug("Showed help");
            break;
        case Option::LogLevel:
            setGlobalLogLevel(option.level);
            mainWindowLogger->info("Global log level is set to {}", levelName(option.level));
            break;
        case Option::Invalid:
            writeOut(invalidArgumentText(argument));
            mainWindowLogger->critical("Cannot parse the input argument {}", argument);
            return i;
        }
    }
    return 0;
}

} // namespace CommandLine
