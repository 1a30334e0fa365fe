// The desktop program: creates the settings module, the windows and the
// modules in their fixed order, runs the main window and destroys everything
// in reverse order (each window saving its placement as it goes).
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <string>
#include <vector>

#include "app/DailyLog.h"
#include "app/ProgramSettings.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/QtFolderBrowser.h"
#include "app/ui/QtMessageBoxes.h"
#include "app/ui/QtShell.h"
#include "app/ui/TerminationSignals.h"
#include "app/ui/UncaughtError.h"
#include "app/ui/WindowRegistry.h"
#include "editor/EditorModel.h"
#include "editor/ui/EditorWindow.h"
#include "workflow/EditedRun.h"
#include "workflow/ui/BaseFolderWindow.h"
#include "workflow/ui/MainWindow.h"

using namespace pictorel;

int main(int argc, char** argv) {
    PictorelApplication app(argc, argv);
    // The interface is Japanese whatever the locale: Qt's own dialogs too,
    // when its Japanese translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTranslator);
    }
    TerminationSignals terminationSignals;
    QtMessageBoxes boxes([&terminationSignals] { return terminationSignals.Received(); });
    // Uncaught errors are told through the same boxes, so they too stay
    // closed while the program ends on a signal.
    SetUncaughtErrorBoxes(&boxes);
    QtShell shell;
    QtFolderBrowser browser;

    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());

    try {
        auto DMMain = std::make_unique<ProgramSettings>();
        const std::string iniPath = DMMain->IniFile.Path();
        // The editor's document, shared by the main window's runs and the editor window.
        auto trimmingDocument = std::make_unique<EditorModel>(boxes);

        auto FMain = std::make_unique<MainWindow>(MainWindow::Services{
            DMMain->IniFile, iniPath, boxes, shell, *trimmingDocument, arguments, {}});
        auto FPleaseWait = std::make_unique<ProgressWindow>();
        FPleaseWait->SetMainWindow(FMain.get());
        auto FTrimming = std::make_unique<EditorWindow>(nullptr, iniPath, *trimmingDocument);
        std::unique_ptr<DailyLog> DMFunction;
        auto DMCorvane = std::make_unique<WindowRegistry>([&DMFunction](const std::string& line) {
            if (DMFunction) DMFunction->WriteLog(line);
        });
        DMFunction = std::make_unique<DailyLog>(boxes);
        auto FSelectRootPath =
            std::make_unique<BaseFolderWindow>(DMMain->IniFile, iniPath, boxes, browser);

        FMain->SetProgress(FPleaseWait.get());
        FMain->SetBaseFolderDialog(FSelectRootPath.get());
        FMain->SetEditedRun([&trimmingDocument, &FTrimming](MainScreen& logic) {
            EditedRun(logic, *trimmingDocument, *FTrimming);
        });

        // A termination signal taken during the start (say while a box was
        // open) ends the program before its main loop.
        int result = 0;
        if (!terminationSignals.Received()) {
            FMain->show();
            result = app.exec();
        }

        // Reverse order of creation.
        FSelectRootPath.reset();
        DMFunction.reset();
        DMCorvane.reset();
        FTrimming.reset();
        FPleaseWait.reset();
        FMain.reset();
        trimmingDocument.reset();
        DMMain.reset();
        return result;
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
        return 1;
    }
}
