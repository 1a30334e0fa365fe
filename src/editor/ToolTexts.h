// The texts of the editor's automatic correction, mosaic and straightening
// tools, for every front end that shows them.
#pragma once

namespace pictorel {

inline const char* AutoAdjustCaption() {
    return "自動補正";
}
inline const char* AutoAdjustHint() {
    return "明るさと色を自動で補正";
}
inline const char* MosaicCaption() {
    return "モザイク";
}
inline const char* MosaicHint() {
    return "左の画像で隠す範囲をマウスで囲みます(カーソルキーで移動、Deleteで削除)";
}
inline const char* StraightenCaption() {
    return "垂直補正";
}
inline const char* StraightenHint() {
    return "傾きと縦線のすぼまりを補正";
}

}  // namespace pictorel
