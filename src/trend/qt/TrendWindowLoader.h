#pragma once
// Opens the trend window through its plug-in library, which it loads the
// first time the window is asked for. Knows no Qt Charts: a program that
// never opens the window never loads them.

#include <QPluginLoader>
#include <QStringList>

class QWidget;

namespace vexmoor {
class TrendStore;
}

namespace vexmoor::trend::qt {

class TrendWindowFactory;

// The plug-in's file name, and the folders the program looks for it in,
// first to last: lib/vexmoor/plugins under the program's folder's parent (an
// installed program, bin/Vexmoor) and under the program's folder (the build
// tree, where the program is build/Vexmoor).
QString TrendWindowPluginFileName();
QStringList TrendWindowPluginFolders();

class TrendWindowLoader {
public:
    explicit TrendWindowLoader(QStringList folders = TrendWindowPluginFolders());
    TrendWindowLoader(const TrendWindowLoader&) = delete;
    TrendWindowLoader& operator=(const TrendWindowLoader&) = delete;

    // Shows the trend window of `owner` on `store`. When the plug-in cannot
    // be loaded, says so in a message box over `owner` and shows nothing;
    // the next call tries again.
    void Show(QWidget& owner, TrendStore& store);

    bool Loaded() const { return factory_ != nullptr; }

private:
    // The plug-in's factory, loading it if need be; null with `error` set
    // when it cannot be loaded.
    TrendWindowFactory* Factory(QString& error);

    QStringList folders_;
    QPluginLoader plugin_;
    TrendWindowFactory* factory_ = nullptr;  // the plug-in's root object, kept by Qt while it is loaded
};

} // namespace vexmoor::trend::qt
