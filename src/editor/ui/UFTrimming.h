// TFTrimming: the editor window (picture cropping, rotation and adjustment).
#pragma once

#include <string>

#include "app/ui/UFCommon.h"

namespace pictorel {

class TFTrimming : public TFCommon {
    Q_OBJECT
  public:
    // The editor never saves its placement and is centred when created.
    TFTrimming(QWidget* parent, const std::string& iniPath);
};

}  // namespace pictorel
