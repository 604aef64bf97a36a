#include "client/retrieval/store-address.h"

namespace rv
{
namespace
{

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiLowerChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string EncodeForStore(std::string_view address)
{
    std::string out;
    out.reserve(address.size() + 8);
    for (char c : address)
    {
        if (c == ':')
            out += "&colon;";
        else
            out.push_back(c);
    }
    return out;
}

std::size_t SchemeLength(std::string_view address)
{
    if (address.empty() || !IsAsciiLetter(address[0]))
        return 0;
    for (std::size_t i = 1; i < address.size(); ++i)
    {
        const char c = address[i];
        if (c == ':')
            return i >= 2 ? i : 0;
        const bool schemeChar = IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-';
        if (!schemeChar)
            return 0;
    }
    return 0;
}

bool HasSchemeNamed(std::string_view address, std::string_view scheme)
{
    if (SchemeLength(address) != scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (AsciiLowerChar(address[i]) != AsciiLowerChar(scheme[i]))
            return false;
    return true;
}

} // namespace rv
