#include "ShellExecute.h"

#include "Win32Error.h"

#include <QDesktopServices>
#include <QFile>
#include <QString>
#include <QUrl>

#include <cstring>

#include <sys/stat.h>

namespace sondrel::platform {

namespace {

    [[nodiscard]] bool IsAsciiAlpha(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    [[nodiscard]] bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

    // `text` starts with a URL scheme and its colon (RFC 3986: a letter, then letters, digits,
    // "+", "-" or ".").
    [[nodiscard]] bool HasScheme(std::string_view text)
    {
        if (text.empty() || !IsAsciiAlpha(text[0]))
            return false;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char c = text[i];
            if (c == ':')
                return i + 1 >= text.size() || !IsAsciiDigit(text[i + 1]);
            if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.')
                return false;
        }
        return false;
    }

    [[nodiscard]] QUrl TargetUrl(std::string_view file)
    {
        if (file.empty())
            return {};
        const QByteArray bytes(file.data(), static_cast<qsizetype>(file.size()));
        if (file.front() == '/')
            return QUrl::fromLocalFile(QFile::decodeName(bytes));
        const QString text = QString::fromUtf8(bytes).trimmed();
        if (HasScheme(file))
            return QUrl(text);
        return QUrl(QStringLiteral("http://") + text);
    }

} // namespace

std::string ShellTargetUrl(std::string_view file)
{
    return TargetUrl(file).toEncoded().toStdString();
}

} // namespace sondrel::platform

namespace win32 {

HINSTANCE ShellExecuteA(HWND /*owner*/, LPCSTR operation, LPCSTR file, LPCSTR /*parameters*/,
    LPCSTR /*directory*/, int /*showCommand*/)
{
    auto result = [](std::intptr_t value) { return reinterpret_cast<HINSTANCE>(value); };
    if (operation && *operation && std::strcmp(operation, "open") != 0)
        return result(SE_ERR_NOASSOC);
    if (!file || !*file)
        return result(SE_ERR_FNF);
    // A FIFO, socket or device is never handed on: an opener would open it, and opening one
    // blocks, releases a writer or acts on a device.
    struct stat st
    {
    };
    if (file[0] == '/' && ::stat(file, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_BAD_FILE_TYPE);
        return result(SE_ERR_NOASSOC);
    }
    const QUrl url = sondrel::platform::TargetUrl(file);
    if (!url.isValid() || !QDesktopServices::openUrl(url)) {
        SetLastError(ERROR_NO_ASSOCIATION);
        return result(SE_ERR_NOASSOC);
    }
    return result(42);
}

} // namespace win32
