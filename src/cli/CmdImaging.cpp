#include "cli/CmdImaging.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"
#include "imaging/Adjustments.h"
#include "imaging/BitmapEffects.h"
#include "imaging/BitmapUtils.h"
#include "imaging/ResampleBitmap.h"

namespace pictorel::cli {

namespace {

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

// Binary PGM (P5) and PPM (P6) with at most 8 bits per sample, the form that
// `convert` writes; the program's own readers do not take it.
std::optional<Bitmap> ReadNetpbm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'P' || (magic[1] != '5' && magic[1] != '6'))
        return std::nullopt;
    auto field = [&in]() -> long long {
        int c = in.get();
        while (c != EOF && (std::isspace(c) || c == '#')) {
            if (c == '#')
                while (c != EOF && c != '\n') c = in.get();
            c = in.get();
        }
        long long v = 0;
        int digits = 0;
        for (; c != EOF && std::isdigit(c) && digits < 10; c = in.get(), ++digits)
            v = v * 10 + (c - '0');
        if (digits == 0 || digits == 10) return -1;
        return v;  // the single whitespace after the last field is consumed
    };
    const long long w = field(), h = field(), maxval = field();
    if (w < 1 || h < 1 || maxval < 1 || maxval > 255 ||
        static_cast<unsigned long long>(w * h) > limits::kMaxPicturePixels)
        throw InvalidPicture(path + ": unsupported or damaged PPM header");
    const int channels = magic[1] == '6' ? 3 : 1;
    Bitmap bitmap(static_cast<int>(w), static_cast<int>(h));
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * channels);
    for (int y = 0; y < bitmap.Height(); ++y) {
        if (!in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size())))
            throw InvalidPicture(path + ": PPM data ends early");
        std::uint8_t* out = bitmap.ScanLine(y);
        for (long long x = 0; x < w; ++x, out += 3) {
            const unsigned char* p = row.data() + x * channels;
            for (int c = 0; c < 3; ++c)  // R, G, B scaled from 0..maxval
                out[2 - c] = static_cast<std::uint8_t>(
                    (p[channels == 3 ? c : 0] * 255 + maxval / 2) / maxval);
        }
    }
    return bitmap;
}

Bitmap Load(const std::string& path) {
    LoadedPicture picture;
    try {
        LoadPicture(picture, path);
    } catch (const Error&) {
        if (std::optional<Bitmap> pnm = ReadNetpbm(path)) return std::move(*pnm);
        throw;
    }
    return picture.ToBitmap();
}

int Usage(const char* command, const char* usage, const std::string& problem) {
    std::fprintf(stderr, "pictorel-cli %s: %s\nusage: pictorel-cli %s %s\n", command,
                 problem.c_str(), command, usage);
    return 2;
}

// One effect: its flags, how many numbers it takes (and needs), their
// defaults, and how it is applied. Returns the effect's own answer.
struct Effect {
    const char* name;
    std::vector<std::string> flags;
    int minNumbers;
    std::vector<int> defaults;  // one per number it may take
    std::function<bool(Bitmap&, const std::vector<std::string>& flags, const std::vector<int>&)>
        apply;
};

bool Has(const std::vector<std::string>& flags, const char* flag) {
    for (const std::string& f : flags)
        if (f == flag) return true;
    return false;
}

const std::vector<Effect>& Effects() {
    using F = const std::vector<std::string>&;
    using N = const std::vector<int>&;
    static const std::vector<Effect> effects = {
        {"grayscale", {}, 0, {}, [](Bitmap& b, F, N) { return GrayscaleBitmap(b); }},
        {"emboss",
         {"--color"},
         0,
         {},
         [](Bitmap& b, F f, N) { return EmbossBitmap(b, !Has(f, "--color")); }},
        {"sketch",
         {"--stretch"},
         0,
         {},
         [](Bitmap& b, F f, N) { return SketchBitmap(b, Has(f, "--stretch")); }},
        {"spotlight", {}, 0, {200}, [](Bitmap& b, F, N n) { return SpotlightBitmap(b, n[0]); }},
        {"colorspotlight",
         {},
         0,
         {190},
         [](Bitmap& b, F, N n) { return ColorSpotlightBitmap(b, n[0]); }},
        {"bluredges", {}, 0, {600}, [](Bitmap& b, F, N n) { return BlurEdgesBitmap(b, n[0]); }},
        {"oilpaint", {}, 0, {3}, [](Bitmap& b, F, N n) { return OilPaintBitmap(b, n[0]); }},
        {"tile", {}, 0, {40, 1}, [](Bitmap& b, F, N n) { return TileBitmap(b, n[0], n[1]); }},
        {"grid", {}, 0, {3}, [](Bitmap& b, F, N n) { return GridBitmap(b, n[0]); }},
        {"sharpen",
         {},
         0,
         {},
         [](Bitmap& b, F, N) {
             SharpenImage(b);
             return true;
         }},
        {"brighten",
         {},
         1,
         {0},
         [](Bitmap& b, F, N n) {
             if (n[0] < 0 || n[0] > 100) return false;
             ApplyBrightness(b, BrightnessFactor(n[0]));
             return true;
         }},
    };
    return effects;
}

}  // namespace

int CmdResize(const Args& args) {
    if (args.size() != 4) return Usage("resize", kResizeUsage, "wrong number of arguments");
    const std::optional<int> w = ParseInt(args[1]), h = ParseInt(args[2]);
    if (!w || !h || *w < 1 || *h < 1)
        return Usage("resize", kResizeUsage, "W and H must be whole numbers of at least 1");
    const Bitmap source = Load(args[0]);
    WritePicture(ResampleBitmap(source, *w, *h), args[3]);
    return 0;
}

int CmdRotate(const Args& args) {
    if (args.size() != 2) return Usage("rotate", kRotateUsage, "wrong number of arguments");
    const Bitmap source = Load(args[0]);
    WritePicture(RotateBitmap90(source), args[1]);
    return 0;
}

int CmdEffect(const Args& args) {
    if (args.empty()) return Usage("effect", kEffectUsage, "no effect named");
    const Effect* effect = nullptr;
    for (const Effect& e : Effects())
        if (args[0] == e.name) effect = &e;
    if (!effect) return Usage("effect", kEffectUsage, "unknown effect '" + args[0] + "'");

    // Flags may stand anywhere after NAME; the rest is IN, OUT and the numbers.
    std::vector<std::string> flags, rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            if (!Has(effect->flags, a.c_str()))
                return Usage("effect", kEffectUsage,
                             "effect " + std::string(effect->name) + " has no flag " + a);
            flags.push_back(a);
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() < 2) return Usage("effect", kEffectUsage, "IN and OUT are needed");
    const std::size_t given = rest.size() - 2;
    if (given < static_cast<std::size_t>(effect->minNumbers) || given > effect->defaults.size())
        return Usage("effect", kEffectUsage,
                     "wrong number of values for effect " + std::string(effect->name));
    std::vector<int> numbers = effect->defaults;
    for (std::size_t i = 0; i < given; ++i) {
        const std::optional<int> v = ParseInt(rest[2 + i]);
        if (!v) return Usage("effect", kEffectUsage, "'" + rest[2 + i] + "' is not a whole number");
        numbers[i] = *v;
    }

    // The editor applies every effect to a 24-bit picture.
    Bitmap picture = Load(rest[0]).ToBgr24();
    if (!effect->apply(picture, flags, numbers)) {
        std::fprintf(stderr, "pictorel-cli effect: %s rejected the picture or its values\n",
                     effect->name);
        return 1;
    }
    WritePicture(picture, rest[1]);
    return 0;
}

}  // namespace pictorel::cli
