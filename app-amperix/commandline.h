#pragma once

#include <QByteArray>

#include <cstdint>
#include <string_view>

// Amperix's command line: "-help" and "-loglevel=<word>", nothing else.
namespace CommandLine
{

// Hash the options are dispatched on: from 5381, walking from the last byte
// to the first, multiply by 33 (mod 2^32) and xor the byte in.
constexpr std::uint32_t optionHash(std::string_view text)
{
    std::uint32_t hash = 5381;
    for (auto i = text.size(); i > 0; --i)
        hash = (hash * 33u) ^ static_cast<unsigned char>(text[i - 1]);
    return hash;
}

struct Option {
    enum Kind { Invalid, Help, LogLevel };
    Kind kind = Invalid;
    int level = -1; // 0 trace .. 5 critical, for LogLevel
};

// Exact, case-sensitive match of the whole argument against the option words.
Option match(const QByteArray& argument);

// "Valid arguments are:" and the option lines, each ended by "\n\r".
QByteArray usageText();
QByteArray invalidArgumentText(const QByteArray& argument);

// Upper-case level name for the confirmation log line ("TRACE" .. "CRITICAL").
const char* levelName(int level);

// Reads argv[1..argc-1] in order, applying each option as it goes. Writes the
// usage and invalid-argument texts to standard output. Returns the index of
// the first invalid argument, or 0 when every argument was an option.
int applyArguments(int argc, char** argv);

} // namespace CommandLine
