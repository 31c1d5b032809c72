#pragma once
// The library's owner-drawn image combo: each entry a TPTImageComboItem with a caption, an image
// of the combo's image list, an overlay and an indent, drawn with the image at its indent and
// only the caption highlighted. Captions and images may be left to be looked up when an entry is
// first drawn (OnGetItemData). TPTCustomCombobox, beneath it, turns the drop-down list's
// notifications into events. TPTImageCombo publishes it.
//
// GUI thread only. The combo owns its items (and the data the shell combo attaches to them); the
// image list is borrowed.

#include "ComboBox.h"
#include "ImageList.h"

#include <QPointer>

#include <functional>
#include <memory>

namespace sondrel::shell {

class TPTCustomImageCombo;
class TPTImageComboItem;
class TPTShComboData;

using TPTImageComboGetItemDataEvent
    = std::function<void(framework::TObject* aSender, TPTImageComboItem* aItem)>;
using TPTDeleteImageComboItemEvent = std::function<void(framework::TObject* aSender, void* aItem)>;

class TPTCustomCombobox : public framework::TCustomComboBox
{
    Q_OBJECT

public:
    using TCustomComboBox::TCustomComboBox;

    framework::TNotifyEvent OnSelEndOk;
    framework::TNotifyEvent OnSelEndCancel;
    TPTDeleteImageComboItemEvent OnDeleteItem;

protected:
    void SelEndOk() override;
    void SelEndCancel() override;
    void DeleteItem(void* object) override;
};

class TPTImageComboItem
{
public:
    TPTImageComboItem(TPTCustomImageCombo* owner, const QString& caption, int imageIndex);
    ~TPTImageComboItem();
    TPTImageComboItem(const TPTImageComboItem&) = delete;
    TPTImageComboItem& operator=(const TPTImageComboItem&) = delete;

    [[nodiscard]] TPTCustomImageCombo* Owner() const { return m_owner; }
    [[nodiscard]] int Index() const { return m_index; }
    [[nodiscard]] int Indent() const { return m_indent; }
    void SetIndent(int indent);
    // -1: still to be looked up.
    [[nodiscard]] int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    [[nodiscard]] int OverlayIndex() const { return m_overlayIndex; }
    void SetOverlayIndex(int index);
    // Empty: still to be looked up.
    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    [[nodiscard]] TPTShComboData* ShellData() const { return m_shellData.get(); }
    void SetShellData(std::unique_ptr<TPTShComboData> data);

private:
    friend class TPTCustomImageCombo;

    void Changed();

    TPTCustomImageCombo* m_owner;
    int m_index = -1;
    int m_indent = 0;
    int m_imageIndex;
    int m_overlayIndex = -1;
    QString m_caption;
    std::unique_ptr<TPTShComboData> m_shellData;
};

class TPTCustomImageCombo : public TPTCustomCombobox
{
    Q_OBJECT

public:
    explicit TPTCustomImageCombo(QWidget* parent = nullptr);
    ~TPTCustomImageCombo() override;

    virtual TPTImageComboItem* AddItem(const QString& caption, int imageIndex, int indent);
    // The item of entry `index`, or null.
    [[nodiscard]] TPTImageComboItem* GetImageComboItem(int index) const;

    [[nodiscard]] framework::TImageList* ImageList() const { return m_imageList; }
    void SetImageList(framework::TImageList* list);
    [[nodiscard]] int IndentPixels() const { return m_indentPixels; }
    void SetIndentPixels(int pixels);
    [[nodiscard]] bool AutoSizeHeight() const { return m_autoSizeHeight; }
    void SetAutoSizeHeight(bool autoSize);

    TPTImageComboGetItemDataEvent OnGetItemData;
    // Replaces the drawing of every entry.
    std::function<void(framework::TObject* aSender, QPainter& aPainter, int aIndex,
        const QRect& aRect, framework::TOwnerDrawState aState)>
        OnDrawItem;

protected:
    void DrawItem(
        QPainter& painter, int index, const QRect& rect, framework::TOwnerDrawState state) override;
    // Supplies a missing caption or image.
    virtual void GetItemData(TPTImageComboItem* item);
    void DeleteItem(void* object) override;
    virtual void AutoSize(const QFont& font);
    void DoAutoSize(const QFont& font);

    // Qt
    void changeEvent(QEvent* event) override;

private:
    friend class TPTImageComboItem;

    QPointer<framework::TImageList> m_imageList;
    int m_indentPixels = 12;
    bool m_autoSizeHeight = true;
    bool m_sizing = false;
};

class TPTImageCombo : public TPTCustomImageCombo
{
    Q_OBJECT
    Q_PROPERTY(int IndentPixels READ IndentPixels WRITE SetIndentPixels)
    Q_PROPERTY(bool AutoSizeHeight READ AutoSizeHeight WRITE SetAutoSizeHeight)

public:
    using TPTCustomImageCombo::TPTCustomImageCombo;
};

} // namespace sondrel::shell
