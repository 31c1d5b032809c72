#include "ShellImages.h"

#include "SystemImageList.h"

#include <QApplication>
#include <QStyle>

namespace sondrel::shell {

namespace {

    // The shell's process-wide images, as the list's image lists show them.
    class SystemImages final : public framework::TImageHandle
    {
    public:
        explicit SystemImages(const platform::SystemImageList& list)
            : m_list(list)
        {
        }
        [[nodiscard]] int Count() const override { return platform::SystemImageList::Count(); }
        [[nodiscard]] QIcon Icon(int index) const override { return m_list.Icon(index); }
        // An item's overlay 0 is the shell's overlay 1 (shared), its overlay 1 the link.
        [[nodiscard]] int OverlayImage(int overlay) const override
        {
            return platform::SystemImageList::OverlayImage(overlay + 1);
        }

    private:
        const platform::SystemImageList& m_list;
    };

    // Images the icon theme lacks come from the style, which only the widget layer knows.
    QIcon StyleImage(platform::StandardImage image)
    {
        using platform::StandardImage;
        QStyle* style = QApplication::style();
        switch (image) {
        case StandardImage::File:
            return style->standardIcon(QStyle::SP_FileIcon);
        case StandardImage::Folder:
            return style->standardIcon(QStyle::SP_DirClosedIcon);
        case StandardImage::FolderOpen:
            return style->standardIcon(QStyle::SP_DirOpenIcon);
        case StandardImage::HardDisk:
            return style->standardIcon(QStyle::SP_DriveHDIcon);
        case StandardImage::RemovableDisk:
            return style->standardIcon(QStyle::SP_DriveFDIcon);
        case StandardImage::NetworkDrive:
            return style->standardIcon(QStyle::SP_DriveNetIcon);
        case StandardImage::OpticalDisk:
            return style->standardIcon(QStyle::SP_DriveCDIcon);
        case StandardImage::Computer:
            return style->standardIcon(QStyle::SP_ComputerIcon);
        case StandardImage::Trash:
            return style->standardIcon(QStyle::SP_TrashIcon);
        case StandardImage::Home:
            return style->standardIcon(QStyle::SP_DirHomeIcon);
        case StandardImage::SharedOverlay:
            return style->standardIcon(QStyle::SP_DriveNetIcon);
        case StandardImage::LinkOverlay:
            return style->standardIcon(QStyle::SP_FileLinkIcon);
        }
        return {};
    }

    const SystemImages& SmallSystemImages()
    {
        static const SystemImages images(platform::SystemImageList::Small());
        return images;
    }

    const SystemImages& LargeSystemImages()
    {
        static const SystemImages images(platform::SystemImageList::Large());
        return images;
    }

} // namespace

void ShowSystemImages(framework::TImageList& list, TPTShellIconSize size)
{
    static const bool styled = [] {
        platform::SystemImageList::SetFallbackProvider(&StyleImage);
        return true;
    }();
    (void)styled;
    list.SetHandle(size == ptsizSmall ? &SmallSystemImages() : &LargeSystemImages());
    list.SetShareImages(true);
}

} // namespace sondrel::shell
