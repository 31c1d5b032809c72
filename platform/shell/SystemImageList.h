#pragma once
// The one process-wide image list of the shell: every icon index the file-information query
// hands out is an index into it. Small (16x16) and large (32x32) views share the indexes. An
// image is known by its icon-theme names and found in the theme only when it is first drawn;
// where the theme has none, the fallback provider (set by the widget layer, which owns the
// style's standard icons) supplies one. Images 1 and 2 are overlays 1 (shared) and 2 (link).
// GUI thread only.

#include <QIcon>
#include <QStringList>

#include <functional>

namespace sondrel::platform {

// The images every style can draw, for icons the theme lacks.
enum class StandardImage {
    File,
    Folder,
    FolderOpen,
    HardDisk,
    RemovableDisk,
    NetworkDrive,
    OpticalDisk,
    Computer,
    Trash,
    Home,
    SharedOverlay,
    LinkOverlay,
};

class SystemImageList
{
public:
    using FallbackProvider = std::function<QIcon(StandardImage)>;

    [[nodiscard]] static SystemImageList& Small();
    [[nodiscard]] static SystemImageList& Large();

    // The index of the image with these theme names (added on first request).
    [[nodiscard]] static int IndexOf(const QStringList& themeNames, StandardImage fallback);
    [[nodiscard]] static int Count();
    // The image list index that overlay `overlay` (1 or 2) draws; -1 for others.
    [[nodiscard]] static int OverlayImage(int overlay);
    static void SetFallbackProvider(FallbackProvider provider);

    [[nodiscard]] int ImageSize() const { return m_size; }
    // The image at `index` (null outside the list).
    [[nodiscard]] QIcon Icon(int index) const;
    // The theme names of image `index`, the most specific first.
    [[nodiscard]] QStringList ThemeNames(int index) const;

    SystemImageList(const SystemImageList&) = delete;
    SystemImageList& operator=(const SystemImageList&) = delete;

private:
    explicit SystemImageList(int size)
        : m_size(size)
    {
    }
    int m_size;
};

} // namespace sondrel::platform
