#pragma once
// The splitter and its panes.

#include "Pane.h"
#include "Splitter.h"
