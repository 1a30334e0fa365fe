#include "editor/ui/UFTrimming.h"

namespace pictorel {

TFTrimming::TFTrimming(QWidget* parent, const std::string& iniPath)
    : TFCommon(parent, Options{QStringLiteral("FTrimming"), QSize(654, 534), iniPath, false}) {
    FinishCreation();
}

int TFTrimming::ShowModal(TTrimmingDocument& /*editor*/) {
    return exec();
}

}  // namespace pictorel
