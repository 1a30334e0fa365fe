// Both runs of the desktop program through its real windows (offscreen Qt),
// with scripted answers to the boxes, over 20 photos of 24 megapixels:
// - the automatic run from its button to the completion box, beside
//   pictorel-cli shrink --jobs 1 on the same files, alternately;
// - the edited run: the first photo shown after the button, from 保存 to the
//   next photo shown, and a quarter turn;
// each with the machine's load. The files of both runs are compared byte for
// byte with the command line's.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/ui/ProgressWindow.h"
#include "editor/EditorModel.h"
#include "editor/ui/EditorWindow.h"
#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"
#include "workflow/EditedRun.h"
#include "workflow/JpegOutput.h"
#include "workflow/ui/MainWindow.h"

namespace {

using namespace pictorel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return "load " + one + " " + five + " " + fifteen;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Boxes answered by script: every question is answered No; errors are
// counted. The time of the last question is kept.
class ScriptedBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string& text) override {
        ++errors;
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
    bool Confirm(const std::string& /*text*/) override {
        lastQuestion = Clock::now();
        return false;
    }
    void ConfirmOk(const std::string& /*text*/) override {}
    void ShowPlain(const std::string& text) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
    }
    int errors = 0;
    Clock::time_point lastQuestion;
};

class NoShell : public IShell {
  public:
    void OpenFolder(const std::string& /*path*/) override {}
    void OpenUrl(const std::string& /*url*/) override {}
};

fs::path Corpus() {
    if (const char* dir = std::getenv("PICTOREL_TESTDATA")) return fs::path(dir) / "jpeg";
    return fs::path(PICTOREL_BENCH_SOURCE) / "../../shared/testdata/jpeg";
}

// 20 photos of 6000 x 4000: the corpus photos enlarged, with fine noise so
// that decoding costs what a camera's photo costs.
std::vector<std::string> MakePhotos(const fs::path& folder) {
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(Corpus()))
        if (entry.path().filename().string().starts_with("photo_")) sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    if (sources.empty()) throw std::runtime_error("no corpus photos under " + Corpus().string());
    fs::create_directories(folder);
    std::vector<std::string> photos;
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        LoadedPicture picture;
        LoadPicture(picture, sources[i % sources.size()].string());
        Bitmap big = ResampleBitmap(picture.Graphic()->GetBitmap().ToBgr24(), 6000, 4000);
        for (int y = 0; y < big.Height(); ++y) {
            std::uint8_t* row = big.ScanLine(y);
            for (int x = 0; x < 3 * big.Width(); ++x)
                row[x] = static_cast<std::uint8_t>(
                    std::clamp(int(row[x]) + int(rng() % 13) - 6, 0, 255));
        }
        const fs::path path = folder / ("photo_" + std::to_string(100 + i) + ".jpg");
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(big);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()),
                   static_cast<std::streamsize>(jpeg.size()));
        photos.push_back(path.string());
    }
    return photos;
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files of `folder` compared with the same names in `reference`.
int Differences(const fs::path& folder, const fs::path& reference) {
    int differences = 0;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(reference)) {
        ++count;
        const fs::path other = folder / entry.path().filename();
        if (!fs::exists(other) || Bytes(other) != Bytes(entry.path())) ++differences;
    }
    for (const auto& entry : fs::directory_iterator(folder))
        if (!fs::exists(reference / entry.path().filename())) ++differences;
    return count == 0 ? 1 : differences;
}

std::string Quoted(const std::string& s) {
    return "'" + s + "'";
}

double RunCli(const fs::path& cli, const std::string& args) {
    const auto start = Clock::now();
    const std::string command = Quoted(cli.string()) + " " + args + " >/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    return Seconds(start, Clock::now());
}

struct Figures {
    std::vector<double> automatic, cli, cliAllCores;
    std::vector<double> firstShown, saveToNext, turn;
};

// Calls onShown once the editor has been shown, has loaded its photo (as it
// opens) and has painted it.
class ShownWatcher : public QObject {
  public:
    ShownWatcher(QWidget& window, std::function<void()> onShown)
        : window_(window), onShown_(std::move(onShown)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Show) {
            QTimer::singleShot(0, &window_, [this] {
                window_.repaint();
                onShown_();
            });
        }
        return false;
    }

  private:
    QWidget& window_;
    std::function<void()> onShown_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Google Benchmark's options from scripts/bench are not ours.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    (void)argc;

    const fs::path work =
        fs::temp_directory_path() / ("bench-windows-" + std::to_string(::getpid()));
    struct Cleanup {
        fs::path path;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } cleanup{work};
    const fs::path cli =
        fs::path(QCoreApplication::applicationDirPath().toStdString()) / "pictorel-cli";
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "bench_windows: %s not found\n", cli.c_str());
        return 1;
    }

    // BENCH_PHOTOS names a folder to keep the photos in for profiling other
    // tools on the same files.
    const char* keep = std::getenv("BENCH_PHOTOS");
    std::printf("making 20 photos of 6000 x 4000...\n");
    std::fflush(stdout);
    const std::vector<std::string> photos = MakePhotos(keep ? fs::path(keep) : work / "photos");
    std::string photoArgs;
    for (const std::string& p : photos) photoArgs += " " + Quoted(p);

    ScriptedBoxes boxes;
    NoShell shell;
    SettingsFile settings((work / "pictorel").string());
    settings.SetFileName((work / "Pictorel.ini").string());
    const fs::path base = work / "out";
    fs::create_directories(base);
    settings.WriteString(kPathSection, kRootPathKey, base.string() + "/");

    EditorModel editorModel(boxes);
    MainWindow mainWindow(
        MainWindow::Services{settings, (work / "Pictorel.ini").string(), boxes, shell, {}, {}});
    ProgressWindow progressWindow;
    progressWindow.SetMainWindow(&mainWindow);
    EditorWindow editorWindow(nullptr, (work / "Pictorel.ini").string(), editorModel);
    mainWindow.SetProgress(&progressWindow);
    mainWindow.SetEditedRun(
        [&](MainScreen& logic) { EditedRun(logic, editorModel, editorWindow); });
    mainWindow.show();
    QApplication::processEvents();

    Figures figures;
    const int rounds = std::max(
        1, std::atoi(std::getenv("BENCH_REPETITIONS") ? std::getenv("BENCH_REPETITIONS") : "3"));
    int differences = 0;
    std::string loads;
    for (int round = 0; round < rounds; ++round) {
        const std::string cliFolder = "cli" + std::to_string(round);
        figures.cli.push_back(RunCli(cli, "shrink --jobs 1 --folder " + cliFolder + " --base " +
                                              Quoted(base.string()) + photoArgs));

        figures.cliAllCores.push_back(RunCli(cli, "shrink --folder all" + std::to_string(round) +
                                                      " --base " + Quoted(base.string()) +
                                                      photoArgs));

        const std::string autoFolder = "auto" + std::to_string(round);
        MainScreen& logic = mainWindow.Logic();
        logic.AddChosenFiles(photos);
        logic.FolderNameTyped(autoFolder);
        mainWindow.ShowState();
        QApplication::processEvents();
        const auto start = Clock::now();
        mainWindow.autoRunButton->click();
        figures.automatic.push_back(Seconds(start, boxes.lastQuestion));
        differences += Differences(base / autoFolder, base / cliFolder);
        loads += " [" + Load() + "]";
    }

    // One edited run per round over 3 photos of its own: each is turned
    // once, then saved after a pause standing for the user's work.
    constexpr int kEdited = 3;
    Clock::time_point clicked;
    Clock::time_point saved;
    int shown = 0;
    ShownWatcher watcher(editorWindow, [&] {
        const auto now = Clock::now();
        if (shown++ == 0)
            figures.firstShown.push_back(Seconds(clicked, now));
        else
            figures.saveToNext.push_back(Seconds(saved, now));
        const auto turnStart = Clock::now();
        editorWindow.turnButton->click();
        editorWindow.repaint();
        figures.turn.push_back(Seconds(turnStart, Clock::now()));
        QTimer::singleShot(500, &editorWindow, [&] {
            saved = Clock::now();
            editorWindow.saveButton->click();
        });
    });
    editorWindow.installEventFilter(&watcher);
    std::string editLoads;
    for (int round = 0; round < rounds; ++round) {
        const auto first = photos.begin() + (kEdited * round) % (photos.size() - kEdited + 1);
        const std::vector<std::string> edited(first, first + kEdited);
        const std::string folder = "edited" + std::to_string(round);
        MainScreen& logic = mainWindow.Logic();
        logic.AddChosenFiles(edited);
        logic.FolderNameTyped(folder);
        mainWindow.ShowState();
        QApplication::processEvents();
        editLoads += " [" + Load() + "]";
        shown = 0;
        clicked = Clock::now();
        mainWindow.editedRunButton->click();

        // The same edit by the command line, for the bytes.
        const fs::path cliFolder = base / (folder + "-cli");
        fs::create_directories(cliFolder);
        for (const std::string& p : edited) {
            const fs::path out = cliFolder / fs::path(p).filename().replace_extension(".jpg");
            RunCli(cli, "edit " + Quoted(p) + " " + Quoted(out.string()) + " --rotate");
        }
        differences += Differences(base / folder, cliFolder);
    }
    editorWindow.removeEventFilter(&watcher);

    const double automatic = Median(figures.automatic);
    const double one = Median(figures.cli);
    std::printf("automatic run, button to completion box: %.2f s (median of %d)%s\n", automatic,
                rounds, loads.c_str());
    std::printf("pictorel-cli shrink --jobs 1:             %.2f s\n", one);
    std::printf("pictorel-cli shrink (a job per core):     %.2f s, ratio %.2f to --jobs 1\n",
                Median(figures.cliAllCores), one > 0 ? Median(figures.cliAllCores) / one : 0.0);
    std::printf("ratio automatic / cli --jobs 1:           %.2f (target <= 0.62)\n",
                one > 0 ? automatic / one : 0.0);
    std::printf(
        "edited run, first photo shown:            %.3f s median of %zu, slowest %.3f "
        "(target <= 0.35)%s\n",
        Median(figures.firstShown), figures.firstShown.size(),
        *std::max_element(figures.firstShown.begin(), figures.firstShown.end()), editLoads.c_str());
    std::printf(
        "edited run, save to next photo shown:     %.3f s median of %zu (target <= 0.060)\n",
        Median(figures.saveToNext), figures.saveToNext.size());
    std::printf("quarter turn of the 24-MP work square:    %.3f s median of %zu (target <= 0.15)\n",
                Median(figures.turn), figures.turn.size());
    std::printf("files differing from the command line's:  %d; error boxes: %d [%s]\n", differences,
                boxes.errors, Load().c_str());
    return differences == 0 && boxes.errors == 0 ? 0 : 1;
}
