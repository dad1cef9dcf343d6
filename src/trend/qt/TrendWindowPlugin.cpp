// The plug-in library's one object: makes trend windows (TrendWindow.h).

#include "trend/qt/TrendWindow.h"
#include "trend/qt/TrendWindowPlugin.h"

#include <QObject>

namespace vexmoor::trend::qt {

class TrendWindowPlugin final : public QObject, public TrendWindowFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VEXMOOR_TREND_WINDOW_FACTORY_IID)
    Q_INTERFACES(vexmoor::trend::qt::TrendWindowFactory)

public:
    void ShowTrendWindow(QWidget& owner, TrendStore& store) override { qt::ShowTrendWindow(owner, store); }
};

} // namespace vexmoor::trend::qt

#include "TrendWindowPlugin.moc"
