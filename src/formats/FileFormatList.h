// The two registries of picture classes: the picture holder's extension
// registry and the content registry `FileFormatList`.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "formats/Graphic.h"

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
struct TGraphicClass {
    const char* name;
    std::unique_ptr<TGraphic> (*create)();
    bool (*recognisesContent)(std::span<const std::uint8_t> data);  // null: no content test
};

// The one descriptor of class T.
template <class T>
const TGraphicClass* GraphicClassOf() {
    static const TGraphicClass cls{
        T().ClassName(), []() -> std::unique_ptr<TGraphic> { return std::make_unique<T>(); },
        [] {
            if constexpr (std::is_base_of_v<TGraphicExGraphic, T>) {
                return &T::RecognisesContent;
            } else {
                return static_cast<bool (*)(std::span<const std::uint8_t>)>(nullptr);
            }
        }()};
    return &cls;
}

// The picture holder's own list: lower-cased extension, description, class.
class TPictureFormats {
  public:
    void Register(const std::string& extension, const std::string& description,
                  const TGraphicClass* cls);
    void Unregister(const TGraphicClass* cls);
    // Newest entry first; null when the extension has no entry.
    const TGraphicClass* Find(const std::string& extension) const;

  private:
    struct Entry {
        std::string extension;
        std::string description;
        const TGraphicClass* cls;
    };
    std::vector<Entry> entries_;
};

class TFileFormatList {
  public:
    struct Entry {
        std::string extension;
        std::string commonDescription;
        std::string individualDescription;
        const TGraphicClass* cls;
        unsigned kinds;
    };

    explicit TFileFormatList(TPictureFormats& pictureFormats) : pictureFormats_(pictureFormats) {}
    ~TFileFormatList();
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // "Attempt to register %s twice." for a present extension unless `replace`.
    void RegisterFormat(const std::string& extension, const std::string& commonDescription,
                        const std::string& individualDescription, const TGraphicClass* cls,
                        unsigned kinds, bool replace = false);
    // One table row: several extensions of one class. With one description
    // more than extensions the first is the common one; otherwise each
    // extension takes its own (or the single) description.
    void RegisterFormats(std::initializer_list<const char*> extensions,
                         std::initializer_list<const char*> descriptions, const TGraphicClass* cls,
                         unsigned kinds);

    // The first content reader, in class order, that claims the file; null
    // when none does. "ファイル %s は開けません" when it cannot be read.
    const TGraphicClass* FindReaderByContent(const std::string& path) const;
    // The same over a stream held in memory (from its start to its end).
    const TGraphicClass* FindReaderByContent(std::span<const std::uint8_t> data) const;

    const std::vector<Entry>& Entries() const { return entries_; }
    // Every class once, in the order of its first registration.
    const std::vector<const TGraphicClass*>& Classes() const { return classes_; }

  private:
    TPictureFormats& pictureFormats_;
    std::vector<Entry> entries_;
    std::vector<const TGraphicClass*> classes_;
};

// The program's registries, filled on first use in the program's order.
TPictureFormats& PictureFormats();
TFileFormatList& FileFormatList();

// The registries' form of a path's extension: lower-cased, without its dot.
std::string RegistryExtension(const std::string& path);

}  // namespace pictorel
