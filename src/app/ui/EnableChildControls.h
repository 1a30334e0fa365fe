// Enables or disables a container and the controls inside it.
#pragma once

class QWidget;

namespace pictorel {

// Sets the container's enabled state; recurses into panels and group boxes,
// colours edit fields white or silver, and sets the enabled state of buttons,
// labels and plain controls (widgets with the dynamic property "PlainControl"
// set, such as image views).
void EnableChildControls(QWidget* container, bool enable);

}  // namespace pictorel
