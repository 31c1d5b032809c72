#pragma once
// What a screen reader gets of the content pane: the dump's lines as the pane's text, one line
// per text line, computed for the part asked (a 16 MB dump is some 80 million characters and is
// never made whole). The text comes from the record of the selected stream, asked anew each time.

#include "StreamInfo.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>

namespace sondrel::app {

using TDumpSource = std::function<const streams::StreamInfo*()>;
// The selected bytes [first, second) of the dump; empty when nothing is selected.
using TDumpSelectionSource = std::function<std::pair<std::uint64_t, std::uint64_t>()>;

// Makes the accessible interface of `pane` (the scroll box) offer the dump of `source`'s record.
void InstallDumpAccessibility(QWidget* pane, TDumpSource source);
// Makes that interface report `selection` as its text selection, from the first selected byte's
// hex digits to the last one's character.
void SetDumpAccessibleSelection(QWidget* pane, TDumpSelectionSource selection);

} // namespace sondrel::app
