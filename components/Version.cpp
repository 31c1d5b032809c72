#include "Version.h"

#include "VersionResource.h"

#include <QEvent>

#include <cstdio>
#include <cstring>
#include <vector>

namespace sondrel::components {

namespace {

    // The length of `text` cut to at most `room` bytes without splitting a UTF-8 sequence.
    std::size_t CutLength(const char* text, std::size_t room)
    {
        std::size_t length = 0;
        while (length <= room && text[length] != '\0')
            ++length;
        if (length <= room)
            return length;
        length = room;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
        return length;
    }

} // namespace

TVersionLabel::TVersionLabel(QWidget* parent)
    : QLabel(parent)
{
}

QString TVersionLabel::GetVersion()
{
    if (m_version[0] == '\0') {
        const char* file = platform::ProgramFileName();
        win32::DWORD handle = 0;
        const win32::DWORD size = win32::GetFileVersionInfoSizeA(file, &handle);
        std::vector<char> info(size + std::size_t { 1 });
        void* translation = nullptr;
        win32::UINT length = 0;
        if (size != 0 && win32::GetFileVersionInfoA(file, handle, size + 1, info.data())
            && win32::VerQueryValueA(
                info.data(), "\\VarFileInfo\\Translation", &translation, &length)
            && length >= 4) {
            std::uint32_t first = 0;
            std::memcpy(&first, translation, sizeof first);
            char path[64];
            std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\FileVersion",
                static_cast<unsigned>(first & 0xFFFF), static_cast<unsigned>(first >> 16));
            void* value = nullptr;
            if (win32::VerQueryValueA(info.data(), path, &value, &length)) {
                const auto* text = static_cast<const char*>(value);
                const std::size_t cut = CutLength(text, sizeof m_version - 1);
                std::memcpy(m_version, text, cut);
                m_version[cut] = '\0';
            }
        }
    }
    return QString::fromUtf8(m_version);
}

void TVersionLabel::Loaded()
{
    m_loaded = true;
    SetCaption(QStringLiteral("Version ") + GetVersion());
}

bool TVersionLabel::event(QEvent* event)
{
    if (event->type() == QEvent::Polish && !m_loaded)
        Loaded();
    return QLabel::event(event);
}

} // namespace sondrel::components
