#include "Options.h"

#include "platform/os/Quote.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool parseNumber(const std::string& text, std::uint64_t& value)
{
    // strtoull alone would take blanks, a sign (and wrap "-1") and stop at junk.
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno == ERANGE || !end || *end != '\0')
        return false;
    value = v;
    return true;
}

std::string rangeError(const std::string& name, const std::string& value, std::uint64_t min, std::uint64_t max,
                       bool hex)
{
    auto text = [hex](std::uint64_t v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, hex ? "0x%llX" : "%llu", static_cast<unsigned long long>(v));
        return std::string(v == 0 ? "0" : buf);
    };
    return name + " must be a number from " + text(min) + " to " + text(max) + ", not " +
           remorra::os::quoteExcerpt(value);
}

Parsed parseArguments(const std::vector<std::string>& args, const std::vector<Option>& table,
                      std::vector<std::string>& positional, std::string& error, bool numbersArePositional)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help")
            return Parsed::Help;
        const Option* option = nullptr;
        for (const Option& o : table)
            if (a == o.name)
                option = &o;
        if (option) {
            if (i + 1 >= args.size())
                return Parsed::Usage;
            switch (option->take(args[++i], error)) {
            case Take::Ok: break;
            case Take::Usage: return Parsed::Usage;
            case Take::Refused: return Parsed::Refused;
            }
            continue;
        }
        const bool number = a.size() > 1 && a[0] == '-' && std::isdigit(static_cast<unsigned char>(a[1]));
        if (a.size() > 1 && a[0] == '-' && !(numbersArePositional && number))
            return Parsed::Usage;
        positional.push_back(a);
    }
    return Parsed::Ok;
}

int refused(const char* command, const std::string& error)
{
    std::fprintf(stderr, "remorra-ir %s: %s\n", command, error.c_str());
    return 2;
}
