#include "ClassId.h"

#include <cstdio>

namespace win32 {

namespace {

    int Hex(WCHAR c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

} // namespace

HRESULT CLSIDFromString(const WCHAR* text, CLSID* id)
{
    if (id == nullptr)
        return E_INVALIDARG;
    *id = CLSID {};
    if (text == nullptr)
        return CO_E_CLASSSTRING;
    // Digit groups of 8, 4, 4, then 4 and 12 that fill Data4.
    constexpr int kGroups[] = { 8, 4, 4, 4, 12 };
    if (text[0] != u'{')
        return CO_E_CLASSSTRING;
    std::uint8_t bytes[16] = {};
    int byte = 0;
    int at = 1;
    for (int group = 0; group < 5; ++group) {
        if (group > 0 && text[at++] != u'-')
            return CO_E_CLASSSTRING;
        for (int digit = 0; digit < kGroups[group]; digit += 2) {
            const int high = Hex(text[at]);
            const int low = high < 0 ? -1 : Hex(text[at + 1]);
            if (low < 0)
                return CO_E_CLASSSTRING;
            bytes[byte++] = static_cast<std::uint8_t>(high << 4 | low);
            at += 2;
        }
    }
    if (text[at] != u'}' || text[at + 1] != 0)
        return CO_E_CLASSSTRING;
    CLSID parsed {};
    parsed.Data1
        = static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    parsed.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    parsed.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        parsed.Data4[i] = bytes[8 + i];
    *id = parsed;
    return NOERROR;
}

} // namespace win32

namespace sondrel::platform {

std::string ClassIdText(const win32::GUID& id)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        static_cast<unsigned>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
        id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

} // namespace sondrel::platform
