#pragma once
// Type names and icon names of items, from the freedesktop MIME database (by name only: content
// is never read to tell a type) and the icon theme's standard names. Answers are cached per MIME
// type; safe from any thread.

#include "ShellItems.h"

#include <QString>
#include <QStringList>

namespace sondrel::platform {

struct FileType
{
    QString MimeName;
    QString Comment; // in the user's language
    QStringList IconNames; // the theme names to try, most specific first
};

// The type of an entry named `name`: a folder, or the type its name says, or for a symbolic
// link that says nothing, a link.
[[nodiscard]] const FileType& EntryType(std::string_view name, bool folder, bool link);

// The type text the Type column and the file-information query show for an item at `at`
// (`name` its in-folder name), as UTF-8.
[[nodiscard]] std::string TypeText(const Location& at, std::string_view name);

} // namespace sondrel::platform
