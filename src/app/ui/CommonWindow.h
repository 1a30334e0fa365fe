// CommonWindow: the common window. A title strip at the top, the content panel
// contentPanel, a bottom strip with the close button, the interface font, F10
// discarded, and the placement kept in the settings file.
#pragma once

#include <QAction>
#include <QSize>
#include <QToolButton>
#include <memory>
#include <string>

#include "app/ui/Controls.h"
#include "app/ui/KeyboardNavigatingWindow.h"
#include "app/ui/WindowPlacement.h"

namespace pictorel {

class CommonWindow : public KeyboardNavigatingWindow {
    Q_OBJECT
  public:
    struct Options {
        QString name;  // component name, also the placement key
        QSize clientSize{654, 534};
        std::string iniPath;  // settings file holding the placement
        bool saveBounds = true;
    };

    CommonWindow(QWidget* parent, const Options& options);
    ~CommonWindow() override;

    Panel* topPanel;
    Panel* titlePanel;
    Panel* upperBar;
    Panel* contentPanel;
    Panel* bottomPanel;
    Panel* lowerBar;
    QToolButton* closeButton;
    QAction* closeAction;
    std::unique_ptr<WindowPlacementStore> placementStore;

    // Title caption and colour; the two bars take the title's colour.
    void SetTitle(const QString& caption);
    void SetTitleColor(const QColor& colour);

  public slots:
    // The close action; the base closes the window.
    virtual void CloseWindow();

  protected:
    bool HandleKey(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildFrame();
    void LayOut();
};

}  // namespace pictorel
