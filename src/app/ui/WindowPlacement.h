// Window placement saving: WindowPlacementSaver writes a window's state and normal
// rectangle as nine integers when the window goes and applies them again
// when it is created; WindowPlacementStore keeps them in the settings file.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "app/IniFile.h"

namespace pictorel {

// Attaches to one window and hears of its destruction (the window's
// destructor calls WindowDestroying while the window still has its geometry).
class WindowAttachment {
  public:
    virtual ~WindowAttachment() = default;
    void Attach(QWidget* window);
    QWidget* Window() const { return window_; }
    // The attached window is about to be destroyed.
    virtual void WindowDestroying() {}

  private:
    QPointer<QWidget> window_;
};

class WindowPlacementSaver : public WindowAttachment {
  public:
    bool SaveBounds = true;
    bool ResumeIconic = false;

    virtual void WriteBoundsText(const std::string& text) = 0;
    virtual std::string ReadBoundsText() = 0;
    // The nine integers of the attached window's placement.
    virtual void StoreBounds();
    // Applies a stored placement; an entry without exactly nine items is ignored.
    virtual void RestoreBounds();

    // Attaches to `window` and restores its placement (while it is being created).
    void AttachAndRestore(QWidget* window);
    void WindowDestroying() override;
};

class WindowPlacementStore : public WindowPlacementSaver {
  public:
    // `iniPath`: the settings file; the key is the window's name + ".Bounds"
    // in section "Bounds", unfenced.
    explicit WindowPlacementStore(std::string iniPath);
    void WriteBoundsText(const std::string& text) override;
    std::string ReadBoundsText() override;

  private:
    std::string Key() const;
    IniFile store_;
};

// Splits a comma-separated list: items separated by commas or blanks, items
// in double quotes kept whole (a doubled quote inside stands for one).
std::vector<std::string> SplitCommaText(const std::string& text);

// The bounds text "state,-1,-1,-1,-1,left,top,right,bottom".
std::string FormatBounds(int state, const QRect& normal);

}  // namespace pictorel
