#pragma once
// The application shell: runs the main dialog modally, then lets the program end.

#include "platform/Dialog.h"

namespace vexmoor {

class ReadingSink;

class CVexmoorApp final {
public:
    // `framework` is the toolkit the dialogs are shown with; `readings`, when
    // set, receives every reply the polling cycle decodes.
    explicit CVexmoorApp(platform::Framework& framework, ReadingSink* readings = nullptr);
    ~CVexmoorApp();
    CVexmoorApp(const CVexmoorApp&) = delete;
    CVexmoorApp& operator=(const CVexmoorApp&) = delete;

    // Runs the main dialog on the D2XX library and the local clock until it
    // ends, whichever way. Returns false: the program then ends.
    bool InitInstance();

private:
    platform::Framework& framework_;
    ReadingSink* readings_;
};

} // namespace vexmoor
