#include "formats/NclxProfile.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include <lcms2.h>

namespace pictorel {

namespace {

// ITU-T H.273 code points.
constexpr int kPrimariesBt709 = 1;
constexpr int kUnspecified = 2;
constexpr int kTransferBt709 = 1;
constexpr int kTransferGamma22 = 4;
constexpr int kTransferGamma28 = 5;
constexpr int kTransferBt601 = 6;
constexpr int kTransferLinear = 8;
constexpr int kTransferSrgb = 13;
constexpr int kTransferBt2020TenBit = 14;
constexpr int kTransferBt2020TwelveBit = 15;
constexpr int kTransferPq = 16;
constexpr int kTransferHlg = 18;

// BT.601 and both BT.2020 transfers are the BT.709 curve.
bool IsBt709Transfer(int transfer) {
    return transfer == kTransferBt709 || transfer == kTransferBt601 ||
           transfer == kTransferBt2020TenBit || transfer == kTransferBt2020TwelveBit;
}

struct ToneCurveFree {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using ToneCurve = std::unique_ptr<cmsToneCurve, ToneCurveFree>;

struct ProfileClose {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileClose>;

struct MluFree {
    void operator()(cmsMLU* mlu) const { cmsMLUfree(mlu); }
};

ToneCurve Parametric(int type, std::initializer_list<double> values) {
    double params[10] = {};
    std::copy(values.begin(), values.end(), params);
    return ToneCurve(cmsBuildParametricToneCurve(nullptr, type, params));
}

// The display light of a PQ signal, with the reference white of 203 cd/m²
// as 1 and brighter light clipped.
double PqToLight(double v) {
    constexpr double m1 = 2610.0 / 16384.0;
    constexpr double m2 = 2523.0 / 4096.0 * 128.0;
    constexpr double c1 = 3424.0 / 4096.0;
    constexpr double c2 = 2413.0 / 4096.0 * 32.0;
    constexpr double c3 = 2392.0 / 4096.0 * 32.0;
    const double p = std::pow(v, 1.0 / m2);
    const double nits = 10000.0 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1.0 / m1);
    return std::min(nits / 203.0, 1.0);
}

// The scene light of an HLG signal.
double HlgToLight(double v) {
    constexpr double a = 0.17883277;
    constexpr double b = 0.28466892;
    constexpr double c = 0.55991073;
    return v <= 0.5 ? v * v / 3.0 : (std::exp((v - c) / a) + b) / 12.0;
}

ToneCurve Tabulated(double (*light)(double)) {
    constexpr int kEntries = 4096;
    float values[kEntries];
    for (int i = 0; i < kEntries; ++i)
        values[i] = static_cast<float>(light(static_cast<double>(i) / (kEntries - 1)));
    return ToneCurve(cmsBuildTabulatedToneCurveFloat(nullptr, kEntries, values));
}

ToneCurve SrgbCurve() {
    return Parametric(4, {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045});
}

ToneCurve TransferCurve(int transfer) {
    // The BT.709 family is a camera's encoding curve, which displays show
    // through the sRGB curve: phones tag their photos with it whatever their
    // primaries, and decoding through the camera curve would shift every
    // mid-tone by about 12 levels. Such a photo is sRGB's curve over its own
    // primaries, as the same tag over BT.709 primaries is sRGB itself.
    if (IsBt709Transfer(transfer)) return SrgbCurve();
    switch (transfer) {
        case kTransferGamma22:
            return Parametric(1, {2.2});
        case kTransferGamma28:
            return Parametric(1, {2.8});
        case kTransferLinear:
            return Parametric(1, {1.0});
        case kTransferPq:
            return Tabulated(PqToLight);
        case kTransferHlg:
            return Tabulated(HlgToLight);
        default:  // sRGB, unspecified and the rest
            return SrgbCurve();
    }
}

}  // namespace

bool NclxIsSrgb(const NclxColour& colour) {
    const bool primaries = colour.primaries == kPrimariesBt709 || colour.primaries == kUnspecified;
    const bool transfer = colour.transfer == kTransferSrgb || colour.transfer == kUnspecified ||
                          IsBt709Transfer(colour.transfer);
    return primaries && transfer;
}

std::vector<std::uint8_t> BuildNclxProfile(const NclxColour& colour) {
    const cmsCIExyY white{colour.white[0], colour.white[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{colour.red[0], colour.red[1], 1.0},
                                    {colour.green[0], colour.green[1], 1.0},
                                    {colour.blue[0], colour.blue[1], 1.0}};
    const ToneCurve curve = TransferCurve(colour.transfer);
    if (!curve) return {};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    const Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
    if (!profile) return {};
    // The profile's name lists the code points, so `pictorel-cli info` shows them.
    const std::unique_ptr<cmsMLU, MluFree> description(cmsMLUalloc(nullptr, 1));
    const std::string text = "nclx primaries " + std::to_string(colour.primaries) + " transfer " +
                             std::to_string(colour.transfer);
    if (!description || !cmsMLUsetASCII(description.get(), "en", "US", text.c_str()) ||
        !cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description.get())) {
        return {};
    }
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
    bytes.resize(size);
    return bytes;
}

}  // namespace pictorel
