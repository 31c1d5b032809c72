#pragma once
// A single-line edit for a number, right-aligned, read and written as a 32-bit float in the
// user's locale (its decimal separator). Text that is no number, or one a 32-bit float cannot
// hold ("1e39", "nan", "inf"), fails Validate and reads as 0. GUI thread only; owned by its
// parent widget.

#include "Edit.h"

namespace sondrel::components {

enum TNumberType { ntInteger, ntFloat };

class TNumberEdit : public framework::TCustomEdit
{
    Q_OBJECT
    Q_PROPERTY(float Value READ Value WRITE SetValue)
    Q_PROPERTY(int NumberType READ NumberTypeValue WRITE SetNumberTypeValue)

public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    // Stored for the form; the edit accepts any number whichever it is.
    [[nodiscard]] TNumberType NumberType() const { return m_numberType; }
    void SetNumberType(TNumberType type) { m_numberType = type; }

    [[nodiscard]] bool Validate() const;
    // 0 when the text fails Validate.
    [[nodiscard]] float Value() const;
    // Seven significant digits, the shorter of fixed and scientific notation.
    void SetValue(float value);

private:
    [[nodiscard]] int NumberTypeValue() const { return m_numberType; }
    void SetNumberTypeValue(int type);
    // The text as a number that fits a 32-bit float; raises EConvertError otherwise.
    [[nodiscard]] float Convert() const;

    TNumberType m_numberType = ntInteger;
};

} // namespace sondrel::components
