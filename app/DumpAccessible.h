#pragma once
// What a screen reader gets of the content pane: the dump's lines as the pane's text, one line
// per text line, computed for the part asked (a 16 MB dump is some 80 million characters and is
// never made whole). The text comes from the record of the selected stream, asked anew each time.

#include "StreamInfo.h"

#include <QWidget>

#include <functional>

namespace sondrel::app {

using TDumpSource = std::function<const streams::StreamInfo*()>;

// Makes the accessible interface of `pane` (the scroll box) offer the dump of `source`'s record.
void InstallDumpAccessibility(QWidget* pane, TDumpSource source);

} // namespace sondrel::app
