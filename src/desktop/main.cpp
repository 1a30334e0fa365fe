// The desktop program: creates the program settings, the windows and the
// daily log in their fixed order, runs the main window and destroys everything
// in reverse order (each window saving its placement as it goes).
// `pictorel --help` and `pictorel --version` print and end without a window.
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>
#include <cstdio>
#include <cstring>
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
#include "workflow/ui/PublishCheckWindow.h"

using namespace pictorel;

namespace {

constexpr const char* kHelpText =
    "使い方: pictorel [ファイルまたはフォルダ...]\n"
    "\n"
    "写真を縮小・切り抜きして、公開用の小さな JPEG ファイルに保存します。\n"
    "名前を挙げたファイルとフォルダは、起動した画面の一覧に加えられます。\n"
    "\n"
    "  -h, --help     この説明を表示して終了します\n"
    "  -V, --version  版を表示して終了します\n"
    "\n"
    "これらの名前のファイルは ./--help のように指定してください。\n"
    "コマンドラインでの処理は pictorel-cli --help を参照してください。\n";

// Only the first argument is read as an option, so that every other argument
// stays a file or folder ("--" alone too). Returns the exit status, or -1 to
// start normally.
int AnswerOption(int argc, char** argv) {
    if (argc < 2) return -1;
    const char* option = argv[1];
    if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
        std::fputs(kHelpText, stdout);
        return 0;
    }
    if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-V") == 0) {
        std::printf("pictorel %s\n", PICTOREL_VERSION);
        return 0;
    }
    // Any other option is refused here, before the window system starts:
    // without a display Qt would abort instead of saying what is wrong. Qt's
    // own options (one dash: -platform, -style, ...) are left to Qt.
    if (std::strncmp(option, "--", 2) == 0 && option[2] != '\0') {
        std::fprintf(stderr, "pictorel: 不明なオプション %s\n\n%s", option, kHelpText);
        return 2;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = AnswerOption(argc, argv); status >= 0) return status;
    PictorelApplication app(argc, argv);
    // Wayland desktops match the windows to the menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("pictorel"));
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
    QtShell shell(boxes);
    QtFolderBrowser browser;

    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());

    try {
        auto settings = std::make_unique<ProgramSettings>();
        const std::string iniPath = settings->File.Path();
        // The editor model, shown by the editor window in the edited run.
        auto editorModel = std::make_unique<EditorModel>(boxes);

        auto mainWindow = std::make_unique<MainWindow>(
            MainWindow::Services{settings->File, iniPath, boxes, shell, arguments, {}});
        auto progressWindow = std::make_unique<ProgressWindow>();
        progressWindow->SetMainWindow(mainWindow.get());
        auto editorWindow = std::make_unique<EditorWindow>(nullptr, iniPath, *editorModel);
        std::unique_ptr<DailyLog> dailyLog;
        auto windowRegistry =
            std::make_unique<WindowRegistry>([&dailyLog](const std::string& line) {
                if (dailyLog) dailyLog->WriteLog(line);
            });
        dailyLog = std::make_unique<DailyLog>(boxes);
        mainWindow->Logic().SetFailureLog([&dailyLog](const std::string& line) {
            if (dailyLog) dailyLog->WriteLog(line);
        });
        auto baseFolderWindow =
            std::make_unique<BaseFolderWindow>(settings->File, iniPath, boxes, browser);
        // Every automatic run is checked before publishing: the measures are
        // taken on the reduced pictures already in memory, and the list
        // shows only when a photo has a finding.
        mainWindow->Logic().SetPublishCheckPresenter(
            [&mainWindow, &iniPath, &boxes](const PublishCheckReport& report) {
                PublishCheckWindow window(mainWindow.get(), iniPath, report, boxes);
                window.exec();
            });

        mainWindow->SetProgress(progressWindow.get());
        mainWindow->SetBaseFolderDialog(baseFolderWindow.get());
        mainWindow->SetEditedRun([&editorModel, &editorWindow](MainScreen& logic) {
            EditedRun(logic, *editorModel, *editorWindow);
        });

        // A termination signal taken during the start (say while a box was
        // open) ends the program before its main loop.
        int result = 0;
        if (!terminationSignals.Received()) {
            mainWindow->show();
            result = app.exec();
        }

        // Reverse order of creation.
        baseFolderWindow.reset();
        dailyLog.reset();
        windowRegistry.reset();
        editorWindow.reset();
        progressWindow.reset();
        mainWindow.reset();
        editorModel.reset();
        settings.reset();
        return result;
    } catch (const std::exception& e) {
        ReportUncaughtError(e.what());
        return 1;
    }
}
