#include "trend/qt/TrendWindowLoader.h"

#include "platform/qt/ApplicationTitle.h"
#include "trend/qt/TrendWindowPlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <utility>

namespace vexmoor::trend::qt {

QString TrendWindowPluginFileName()
{
    return QStringLiteral(VEXMOOR_TREND_WINDOW_PLUGIN_FILE);
}

QStringList TrendWindowPluginFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QString plugins = QStringLiteral(VEXMOOR_PLUGIN_FOLDER);
    return {QDir::cleanPath(program.filePath(QStringLiteral("../") + plugins)),
            QDir::cleanPath(program.filePath(plugins))};
}

TrendWindowLoader::TrendWindowLoader(QStringList folders) : folders_(std::move(folders)) {}

TrendWindowFactory* TrendWindowLoader::Factory(QString& error)
{
    if (factory_ != nullptr) {
        return factory_;
    }
    QString path;
    for (const QString& folder : folders_) {
        const QString candidate = QDir(folder).filePath(TrendWindowPluginFileName());
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        error = QStringLiteral("%1 is in none of these folders:\n%2")
                    .arg(TrendWindowPluginFileName(), folders_.join(QLatin1Char('\n')));
        return nullptr;
    }
    plugin_.setFileName(path);
    QObject* const root = plugin_.instance();
    if (root == nullptr) {
        error = plugin_.errorString();
        return nullptr;
    }
    factory_ = qobject_cast<TrendWindowFactory*>(root);
    if (factory_ == nullptr) {
        error = QStringLiteral("%1 is not the trend window of this program.").arg(QDir::toNativeSeparators(path));
    }
    return factory_;
}

void TrendWindowLoader::Show(QWidget& owner, TrendStore& store)
{
    QString error;
    if (TrendWindowFactory* factory = Factory(error)) {
        factory->ShowTrendWindow(owner, store);
        return;
    }
    QMessageBox box(QMessageBox::Warning, platform::qt::ApplicationTitle(),
                    QStringLiteral("The trend window cannot be opened: its library did not load.\n\n%1").arg(error),
                    QMessageBox::Ok, &owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace vexmoor::trend::qt
