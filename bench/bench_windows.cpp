// Both runs of the desktop program through its real windows (offscreen Qt),
// with scripted answers to the boxes:
// - the automatic run from its button to the completion box over 20 photos
//   of 11 and of 24 megapixels, beside pictorel-cli shrink --jobs 2 on the
//   same files, the two taken in turn (which goes first alternates by round)
//   and with the same two workers, so that the ratio shows the window's own
//   cost;
// - the edited run over the 24-megapixel photos: the first photo shown after
//   the button, from 保存 to the next photo shown, and a quarter turn;
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

// The sizes of the automatic run's two photo sets.
struct PhotoSize {
    const char* label;
    int width;
    int height;
};
constexpr PhotoSize kPhotoSizes[] = {{"11 MP", 4080, 2720}, {"24 MP", 6000, 4000}};

// 20 photos of the given size: the corpus photos enlarged, with fine noise so
// that decoding costs what a camera's photo costs. Photos already in `folder`
// (a kept BENCH_PHOTOS folder) are used again.
std::vector<std::string> MakePhotos(const fs::path& folder, const PhotoSize& size) {
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(Corpus()))
        if (entry.path().filename().string().starts_with("photo_")) sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    if (sources.empty()) throw std::runtime_error("no corpus photos under " + Corpus().string());
    fs::create_directories(folder);
    std::vector<std::string> photos;
    std::mt19937 rng(7);
    for (int i = 0; i < 20; ++i) {
        const fs::path path = folder / ("photo_" + std::to_string(100 + i) + ".jpg");
        photos.push_back(path.string());
        if (fs::exists(path)) continue;
        LoadedPicture picture;
        LoadPicture(picture, sources[i % sources.size()].string());
        Bitmap big = ResampleBitmap(picture.GetBitmap().ToBgr24(), size.width, size.height);
        for (int y = 0; y < big.Height(); ++y) {
            std::uint8_t* row = big.ScanLine(y);
            for (int x = 0; x < 3 * big.Width(); ++x)
                row[x] = static_cast<std::uint8_t>(
                    std::clamp(int(row[x]) + int(rng() % 13) - 6, 0, 255));
        }
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(big);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()),
                   static_cast<std::streamsize>(jpeg.size()));
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

// The automatic run's figures for one photo size, one entry per round.
struct AutomaticFigures {
    std::vector<double> desktop, cli, ratio;
    std::string loads;
};

struct EditedFigures {
    std::vector<double> firstShown, saveToNext, turn;
};

// "median (lowest-highest)" of seconds or of a ratio.
std::string Spread(std::vector<double> v, const char* unit) {
    if (v.empty()) return "-";
    std::sort(v.begin(), v.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.2f%s (%.2f-%.2f)", Median(v), unit, v.front(), v.back());
    return text;
}

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

    // BENCH_PHOTOS names a folder to keep the photos in (one subfolder per
    // size), for profiling other tools on the same files and for the next run.
    const char* keep = std::getenv("BENCH_PHOTOS");
    const fs::path photoFolder = keep ? fs::path(keep) : work / "photos";
    std::vector<std::vector<std::string>> photoSets;
    for (const PhotoSize& size : kPhotoSizes) {
        std::printf("making 20 photos of %d x %d...\n", size.width, size.height);
        std::fflush(stdout);
        photoSets.push_back(MakePhotos(
            photoFolder / (std::to_string(size.width) + "x" + std::to_string(size.height)), size));
    }

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

    const int rounds = std::max(
        1, std::atoi(std::getenv("BENCH_REPETITIONS") ? std::getenv("BENCH_REPETITIONS") : "3"));
    // The desktop uses a worker per core; the comparison gives both sides the
    // same two workers.
    constexpr int kJobs = 2;
    mainWindow.Logic().SetShrinkJobs(kJobs);
    int differences = 0;
    std::vector<AutomaticFigures> automatic(std::size(kPhotoSizes));
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t set = 0; set < photoSets.size(); ++set) {
            const std::string tag = std::to_string(set) + "-" + std::to_string(round);
            std::string photoArgs;
            for (const std::string& p : photoSets[set]) photoArgs += " " + Quoted(p);
            const std::string cliFolder = "cli" + tag;
            const std::string autoFolder = "auto" + tag;
            double cliSeconds = 0;
            const auto runCli = [&] {
                cliSeconds =
                    RunCli(cli, "shrink --jobs " + std::to_string(kJobs) + " --folder " +
                                    cliFolder + " --base " + Quoted(base.string()) + photoArgs);
            };
            // Which goes first alternates, so that neither always meets the
            // page cache or another engineer's build in the same state.
            if (round % 2 == 0) runCli();
            MainScreen& logic = mainWindow.Logic();
            logic.AddChosenFiles(photoSets[set]);
            logic.FolderNameTyped(autoFolder);
            mainWindow.ShowState();
            QApplication::processEvents();
            const auto start = Clock::now();
            mainWindow.autoRunButton->click();
            const double desktopSeconds = Seconds(start, boxes.lastQuestion);
            if (round % 2 == 1) runCli();

            AutomaticFigures& f = automatic[set];
            f.desktop.push_back(desktopSeconds);
            f.cli.push_back(cliSeconds);
            f.ratio.push_back(desktopSeconds / cliSeconds);
            f.loads += " [" + Load() + "]";
            differences += Differences(base / autoFolder, base / cliFolder);
        }
    }

    EditedFigures figures;
    const std::vector<std::string>& photos = photoSets.back();
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

    std::printf("automatic run over 20 photos, %d rounds, median (lowest-highest):\n", rounds);
    std::printf("  %-38s", "");
    for (const PhotoSize& size : kPhotoSizes) std::printf("%-24s", size.label);
    std::printf("\n  %-38s", "desktop, button to completion box");
    for (const AutomaticFigures& f : automatic)
        std::printf("%-24s", Spread(f.desktop, " s").c_str());
    std::printf("\n  %-38s", "pictorel-cli shrink --jobs 2");
    for (const AutomaticFigures& f : automatic) std::printf("%-24s", Spread(f.cli, " s").c_str());
    std::printf("\n  %-38s", "ratio desktop / cli (target <= 1.10)");
    for (const AutomaticFigures& f : automatic) std::printf("%-24s", Spread(f.ratio, "").c_str());
    std::printf("\n");
    for (std::size_t set = 0; set < automatic.size(); ++set)
        std::printf("  loads after each %s round:%s\n", kPhotoSizes[set].label,
                    automatic[set].loads.c_str());
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
