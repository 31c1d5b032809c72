#pragma once
// The pictures behind the shell's images where the icon theme has none: the common style's
// pictures that come with the widget library, each read only at the size it is drawn, as a PNG
// without asking the image plugins. The style's own icons decode every size of a picture when
// they are made (some only the smallest, drawn blurred when large), and learning that a PNG is a
// PNG loads every image plugin. GUI thread only.

#include "SystemImageList.h"

#include <QIcon>

namespace sondrel::shell {

// The picture for `image`; the style's own icon where the library lacks the files.
[[nodiscard]] QIcon StandardImageIcon(platform::StandardImage image);

} // namespace sondrel::shell
