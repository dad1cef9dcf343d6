#pragma once
// The trend window as a plug-in: all that the program and the plug-in library
// share. The program loads the library the first time the user asks for the
// trend window (TrendWindowLoader), so a run that never opens it loads no Qt
// Charts.

#include <QtPlugin>

class QWidget;

namespace vexmoor {
class TrendStore;
}

namespace vexmoor::trend::qt {

class TrendWindowFactory {
public:
    virtual ~TrendWindowFactory() = default;
    // Shows the trend window of `owner` on `store`, making it on first use;
    // an open one is brought to the front. `store` must outlive the window.
    virtual void ShowTrendWindow(QWidget& owner, TrendStore& store) = 0;
};

} // namespace vexmoor::trend::qt

// Changes whenever the interface does: the loader refuses a plug-in of another.
#define VEXMOOR_TREND_WINDOW_FACTORY_IID "org.vexmoor.TrendWindowFactory/1"
Q_DECLARE_INTERFACE(vexmoor::trend::qt::TrendWindowFactory, VEXMOOR_TREND_WINDOW_FACTORY_IID)
