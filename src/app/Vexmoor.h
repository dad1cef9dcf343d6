#pragma once
// The application shell: runs the main dialog modally, then lets the program end.

#include "platform/Dialog.h"

namespace vexmoor {

class CVexmoorApp final {
public:
    // `framework` is the toolkit the dialogs are shown with.
    explicit CVexmoorApp(platform::Framework& framework);
    ~CVexmoorApp();
    CVexmoorApp(const CVexmoorApp&) = delete;
    CVexmoorApp& operator=(const CVexmoorApp&) = delete;

    // Runs the main dialog on the D2XX library and the local clock until it
    // ends, whichever way. Returns false: the program then ends.
    bool InitInstance();

private:
    platform::Framework& framework_;
};

} // namespace vexmoor
