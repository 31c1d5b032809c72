#pragma once
// A label that shows the running program's own file version: "Version " and the FileVersion
// string of the program file's version resource, or "Version " alone when the program has none.
// The caption a form gives it is replaced once the form is loaded: by Loaded(), which the label
// calls itself when it is first polished (before it is first shown) unless its owner called it
// earlier. GUI thread only; owned by its parent widget.

#include <QLabel>

namespace sondrel::components {

class TVersionLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TVersionLabel(QWidget* parent = nullptr);

    [[nodiscard]] QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }

    // The program file's "FileVersion", read once; a failed read is tried again next time.
    [[nodiscard]] QString GetVersion();
    Q_INVOKABLE virtual void Loaded();

protected:
    bool event(QEvent* event) override;

private:
    // Holds dotted versions with room to spare; a longer value is cut to fit.
    char m_version[64] = {};
    bool m_loaded = false;
};

} // namespace sondrel::components
