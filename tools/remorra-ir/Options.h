#pragma once
// A command's options as a table: each option takes one value, every other
// argument is positional. Numbers are range-checked where they are taken.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class Take { Ok, Usage, Refused };

struct Option {
    const char* name; // "--gap"
    // Takes the option's value; Refused sets `error` to the whole message.
    std::function<Take(const std::string& value, std::string& error)> take;
};

// Decimal, 0x hexadecimal or 0 octal, without sign or blanks.
bool parseNumber(const std::string& text, std::uint64_t& value);

// "NAME must be a number from MIN to MAX, not 'VALUE'" (hexadecimal bounds when `hex`).
std::string rangeError(const std::string& name, const std::string& value, std::uint64_t min, std::uint64_t max,
                       bool hex = false);

// Takes a number of [min, max] for `name` into `target` (std::uint64_t, or narrower when max fits).
template <typename T>
Take takeNumber(const char* name, const std::string& value, std::uint64_t min, std::uint64_t max, T& target,
                std::string& error, bool hex = false)
{
    std::uint64_t v = 0;
    if (!parseNumber(value, v) || v < min || v > max) {
        error = rangeError(name, value, min, max, hex);
        return Take::Refused;
    }
    target = static_cast<T>(v);
    return Take::Ok;
}

template <typename T>
Option numberOption(const char* name, std::uint64_t min, std::uint64_t max, T& target)
{
    return {name, [name, min, max, &target](const std::string& value, std::string& error) {
                return takeNumber(name, value, min, max, target, error);
            }};
}

enum class Parsed { Ok, Help, Usage, Refused };

// Prints a refusal of `command`'s command line; the exit status for it.
int refused(const char* command, const std::string& error);

// Walks `args`: "--help", the table's options with their values, "-" and
// arguments not starting with '-' as positional ones (so are numbers when
// `numbersArePositional`, say "-1", which a range check then refuses); any
// other argument starting with '-', or an option without a value, is Usage.
Parsed parseArguments(const std::vector<std::string>& args, const std::vector<Option>& table,
                      std::vector<std::string>& positional, std::string& error, bool numbersArePositional = false);
