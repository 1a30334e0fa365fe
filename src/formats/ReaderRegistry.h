// The two registries of picture classes: the picture holder's extension
// registry and the content registry `ContentReaders`.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "formats/PictureReader.h"

namespace pictorel {

// Format kinds of a content-registry entry.
enum FormatKind : unsigned {
    fkRaster = 1,
    fkVector = 2,
    fkMultiImage = 4,
    fkLayered = 8,
    fkAnimation = 16,
};

// A picture class as the registries see it: its name, how to make an empty
// instance and, for content readers, the class-level content test.
struct ReaderFactory {
    const char* name;
    std::unique_ptr<PictureReader> (*create)();
    bool (*recognisesContent)(std::span<const std::uint8_t> data);  // null: no content test
};

// The one descriptor of class T.
template <class T>
const ReaderFactory* ReaderFactoryOf() {
    static const ReaderFactory cls{
        T().ClassName(), []() -> std::unique_ptr<PictureReader> { return std::make_unique<T>(); },
        [] {
            if constexpr (std::is_base_of_v<ContentTestedReader, T>) {
                return &T::RecognisesContent;
            } else {
                return static_cast<bool (*)(std::span<const std::uint8_t>)>(nullptr);
            }
        }()};
    return &cls;
}

// The extension registry's own entries for "png" and "gif": the PNG and GIF
// readers under the names kPngByExtensionName and kGifByExtensionName, with
// no content test.
const ReaderFactory* PngByExtension();
const ReaderFactory* GifByExtension();

// The picture holder's own list: lower-cased extension, description, class.
class ExtensionRegistry {
  public:
    void Register(const std::string& extension, const std::string& description,
                  const ReaderFactory* cls);
    void Unregister(const ReaderFactory* cls);
    // Newest entry first; null when the extension has no entry.
    const ReaderFactory* Find(const std::string& extension) const;

  private:
    struct Entry {
        std::string extension;
        std::string description;
        const ReaderFactory* cls;
    };
    std::vector<Entry> entries_;
};

class ContentRegistry {
  public:
    struct Entry {
        std::string extension;
        std::string commonDescription;
        std::string individualDescription;
        const ReaderFactory* cls;
        unsigned kinds;
    };

    explicit ContentRegistry(ExtensionRegistry& extensionRegistry)
        : extensionRegistry_(extensionRegistry) {}
    ~ContentRegistry();
    ContentRegistry(const ContentRegistry&) = delete;
    ContentRegistry& operator=(const ContentRegistry&) = delete;

    // "Attempt to register %s twice." for a present extension unless `replace`.
    void RegisterFormat(const std::string& extension, const std::string& commonDescription,
                        const std::string& individualDescription, const ReaderFactory* cls,
                        unsigned kinds, bool replace = false);
    // One table row: several extensions of one class. With one description
    // more than extensions the first is the common one; otherwise each
    // extension takes its own (or the single) description.
    void RegisterFormats(std::initializer_list<const char*> extensions,
                         std::initializer_list<const char*> descriptions, const ReaderFactory* cls,
                         unsigned kinds);

    // The first content reader, in class order, that claims the file; null
    // when none does. "ファイル %s は開けません" when it cannot be read.
    const ReaderFactory* FindReaderByContent(const std::string& path) const;
    // The same over a stream held in memory (from its start to its end).
    const ReaderFactory* FindReaderByContent(std::span<const std::uint8_t> data) const;

    const std::vector<Entry>& Entries() const { return entries_; }
    // Every class once, in the order of its first registration.
    const std::vector<const ReaderFactory*>& Classes() const { return classes_; }

  private:
    ExtensionRegistry& extensionRegistry_;
    std::vector<Entry> entries_;
    std::vector<const ReaderFactory*> classes_;
};

// The program's registries, filled on first use in the program's order.
ExtensionRegistry& ExtensionReaders();
ContentRegistry& ContentReaders();

// The extensions, without their dot, of the pictures the program takes in:
// the selection (drops, folders, command line, pictorel-cli) and the open
// dialog's filter, in the filter's order. Each has a reader in the registries.
inline constexpr std::array<std::string_view, 14> kAcceptedExtensions = {
    "bmp", "jpg", "jpeg", "gif",  "tif", "tiff", "psd",
    "png", "eps", "heic", "heif", "hif", "avif", "webp"};

// True when `path`'s extension, in any letter case, is an accepted one.
bool HasAcceptedExtension(std::string_view path);

// The registries' form of a path's extension: lower-cased, without its dot.
std::string RegistryExtension(const std::string& path);

}  // namespace pictorel
