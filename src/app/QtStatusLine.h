// The document's status line in the main window's status bar: a message
// that needs no answer (metadata left out of a photo) shows there for a
// while, then the bar's own panes return.
#pragma once

#include <string>

#include "document/DocumentUi.h"

class QStatusBar;

class QtStatusLine final : public IStatusLine {
public:
    explicit QtStatusLine(QStatusBar& bar) : bar_(bar) {}
    void showStatus(const std::string& text) override;

    // How long a message stays, in milliseconds.
    static constexpr int kShownMilliseconds = 15000;

private:
    QStatusBar& bar_;
};
