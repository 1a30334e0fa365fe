#include "formats/ColourProfile.h"

#include <array>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include <lcms2.h>

namespace pictorel {

namespace {

// Little CMS reports a bad profile through the context's log handler; a bad
// profile only means that the picture keeps its stored colours, so the
// report is dropped here and the failing call's null result is checked.
void IgnoreLcmsError(cmsContext, cmsUInt32Number, const char*) {}

struct ContextFree {
    void operator()(cmsContext context) const noexcept { cmsDeleteContext(context); }
};
struct ProfileClose {
    void operator()(void* profile) const noexcept { cmsCloseProfile(profile); }
};
struct TransformFree {
    void operator()(void* transform) const noexcept { cmsDeleteTransform(transform); }
};
using ContextHandle = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextFree>;
using ProfileHandle = std::unique_ptr<void, ProfileClose>;
using TransformHandle = std::unique_ptr<void, TransformFree>;

// A context of its own per conversion: silent, and safe on several threads.
ContextHandle SilentContext() {
    ContextHandle context(cmsCreateContext(nullptr, nullptr));
    if (context) cmsSetLogErrorHandlerTHR(context.get(), IgnoreLcmsError);
    return context;
}

ProfileHandle OpenProfile(cmsContext context, std::span<const std::uint8_t> icc) {
    if (!context || icc.empty()) return nullptr;
    return ProfileHandle(
        cmsOpenProfileFromMemTHR(context, icc.data(), static_cast<cmsUInt32Number>(icc.size())));
}

TransformHandle ToSrgb(cmsContext context, cmsHPROFILE source, cmsUInt32Number inputFormat,
                       cmsUInt32Number outputFormat, cmsUInt32Number flags = 0) {
    const ProfileHandle srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb) return nullptr;
    return TransformHandle(cmsCreateTransformTHR(context, source, inputFormat, srgb.get(),
                                                 outputFormat, INTENT_RELATIVE_COLORIMETRIC,
                                                 flags));
}

// Whether the transform moves no colour of the 17-level RGB grid by more
// than one level. `channels` is 3, or 4 with an alpha sample (kept as it is).
bool MovesNoColour(cmsHTRANSFORM transform, int channels) {
    constexpr int kLevels = 17;
    std::vector<std::uint8_t> grid;
    grid.reserve(std::size_t{kLevels * kLevels * kLevels} * static_cast<std::size_t>(channels));
    for (int r = 0; r < kLevels; ++r) {
        for (int g = 0; g < kLevels; ++g) {
            for (int b = 0; b < kLevels; ++b) {
                for (int level : {r, g, b}) {
                    grid.push_back(static_cast<std::uint8_t>((level * 255 + 8) / 16));
                }
                if (channels == 4) grid.push_back(255);
            }
        }
    }
    std::vector<std::uint8_t> out(grid.size());
    cmsDoTransform(transform, grid.data(), out.data(),
                   static_cast<cmsUInt32Number>(grid.size() / static_cast<std::size_t>(channels)));
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (std::abs(int{grid[i]} - int{out[i]}) > 1) return false;
    }
    return true;
}

bool IsGreyRamp(const std::vector<Color>& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        if (table[i] != Color{v, v, v}) return false;
    }
    return true;
}

}  // namespace

std::string ProfileDescription(std::span<const std::uint8_t> icc) {
    const ContextHandle context = SilentContext();
    const ProfileHandle profile = OpenProfile(context.get(), icc);
    if (!profile) return {};
    const cmsUInt32Number size = cmsGetProfileInfoASCII(profile.get(), cmsInfoDescription,
                                                        cmsNoLanguage, cmsNoCountry, nullptr, 0);
    if (size <= 1) return {};
    std::string text(size, '\0');
    cmsGetProfileInfoASCII(profile.get(), cmsInfoDescription, cmsNoLanguage, cmsNoCountry,
                           text.data(), size);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

bool IsRgbProfile(std::span<const std::uint8_t> icc) {
    const ContextHandle context = SilentContext();
    const ProfileHandle profile = OpenProfile(context.get(), icc);
    return profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData;
}

bool ConvertToSrgb(Bitmap& picture, std::span<const std::uint8_t> icc) {
    if (icc.empty() || picture.Empty()) return false;
    const PixelFormat format = picture.Format();
    const bool indexed = picture.BitsPerPixel() <= 8;
    if (!indexed && format != PixelFormat::Bgr24 && format != PixelFormat::Bgra32) return false;
    if (indexed && (picture.ColorTable().empty() || IsGreyRamp(picture.ColorTable()))) {
        return false;
    }

    const ContextHandle context = SilentContext();
    const ProfileHandle profile = OpenProfile(context.get(), icc);
    if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData) return false;
    // One transform in the picture's own layout both tells whether the
    // profile is sRGB in effect and converts the pixels.
    const bool alpha = format == PixelFormat::Bgra32;
    const cmsUInt32Number layout = indexed ? TYPE_RGB_8 : alpha ? TYPE_BGRA_8 : TYPE_BGR_8;
    const TransformHandle transform =
        ToSrgb(context.get(), profile.get(), layout, layout, alpha ? cmsFLAGS_COPY_ALPHA : 0);
    if (!transform || MovesNoColour(transform.get(), alpha ? 4 : 3)) return false;

    if (indexed) {
        std::vector<Color> table = picture.ColorTable();
        // Color is laid out R, G, B: the table converts as packed RGB.
        static_assert(sizeof(Color) == 3);
        cmsDoTransform(transform.get(), table.data(), table.data(),
                       static_cast<cmsUInt32Number>(table.size()));
        picture.SetColorTable(std::move(table));
        return true;
    }
    const auto stride = static_cast<cmsUInt32Number>(picture.Stride());
    cmsDoTransformLineStride(transform.get(), picture.Bits(), picture.Bits(),
                             static_cast<cmsUInt32Number>(picture.Width()),
                             static_cast<cmsUInt32Number>(picture.Height()), stride, stride, 0, 0);
    return true;
}

struct CmykProfileConverter::Engine {
    ContextHandle context;
    ProfileHandle profile;
    TransformHandle transform;
};

CmykProfileConverter::CmykProfileConverter(std::unique_ptr<Engine> engine)
    : engine_(std::move(engine)) {}

CmykProfileConverter::~CmykProfileConverter() = default;

std::unique_ptr<CmykProfileConverter> CmykProfileConverter::Create(
    std::span<const std::uint8_t> icc, bool inverted) {
    auto engine = std::make_unique<Engine>();
    engine->context = SilentContext();
    engine->profile = OpenProfile(engine->context.get(), icc);
    if (!engine->profile || cmsGetColorSpace(engine->profile.get()) != cmsSigCmykData) {
        return nullptr;
    }
    engine->transform = ToSrgb(engine->context.get(), engine->profile.get(),
                               inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, TYPE_BGR_8);
    if (!engine->transform) return nullptr;
    return std::make_unique<CmykProfileConverter>(std::move(engine));
}

void CmykProfileConverter::ConvertRow(const std::uint8_t* cmyk, std::uint8_t* bgr,
                                      int width) const {
    cmsDoTransform(engine_->transform.get(), cmyk, bgr, static_cast<cmsUInt32Number>(width));
}

struct RgbRowConverter::Engine {
    ContextHandle context;
    ProfileHandle profile;
    TransformHandle transform;
};

RgbRowConverter::RgbRowConverter(std::unique_ptr<Engine> engine) : engine_(std::move(engine)) {}

RgbRowConverter::~RgbRowConverter() = default;

std::unique_ptr<RgbRowConverter> RgbRowConverter::Create(std::span<const std::uint8_t> icc) {
    if (icc.empty()) return nullptr;
    auto engine = std::make_unique<Engine>();
    engine->context = SilentContext();
    engine->profile = OpenProfile(engine->context.get(), icc);
    if (!engine->profile || cmsGetColorSpace(engine->profile.get()) != cmsSigRgbData)
        return nullptr;
    // The transform of ConvertToSrgb for a 24-bit picture.
    engine->transform =
        ToSrgb(engine->context.get(), engine->profile.get(), TYPE_BGR_8, TYPE_BGR_8, 0);
    if (!engine->transform || MovesNoColour(engine->transform.get(), 3)) return nullptr;
    return std::make_unique<RgbRowConverter>(std::move(engine));
}

void RgbRowConverter::ConvertRow(std::uint8_t* bgr, int width) const {
    cmsDoTransform(engine_->transform.get(), bgr, bgr, static_cast<cmsUInt32Number>(width));
}

}  // namespace pictorel
