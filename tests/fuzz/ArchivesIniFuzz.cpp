// archives.ini: a file either loads, and then saves and loads again as the
// same catalogue, or is set aside whole as archives.ini.damaged; and whatever
// the program writes into a catalogue (here the input itself as a
// description, a folder name and a path) loads back as it was written.
#include "FuzzSupport.h"
#include "cleanup/ArchiveCatalogue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace FuzzSupport;

const char* const Sections[] = {DescriptionsSection, FolderNamesSection, OriginalPathsSection};

struct TValue {
    std::string Section, Key;
    std::optional<std::string> Value;
    bool operator==(const TValue&) const = default;
};

std::vector<TValue> ValuesOf(const TArchiveCatalogue& catalogue) {
    std::vector<TValue> values;
    for (const char* section : Sections)
        for (const std::string& key : catalogue.Keys(section))
            values.push_back({section, key, catalogue.Value(section, key)});
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<TArchiveCatalogue> parsed = TArchiveCatalogue::Parse(text);
    if (parsed) {
        // What it writes, it reads as the same catalogue.
        const std::optional<TArchiveCatalogue> again = TArchiveCatalogue::Parse(parsed->Text());
        FUZZ_CHECK(again && again->Text() == parsed->Text());
        FUZZ_CHECK(ValuesOf(*again) == ValuesOf(*parsed));
    }

    TScratchFolder folder;
    const std::string file = folder.Path(CatalogueFileName);
    FUZZ_CHECK(WriteBytes(file, text));
    TArchiveCatalogue catalogue;
    const bool loaded = catalogue.Load(folder.Path()).Ok();
    FUZZ_CHECK(loaded == parsed.has_value());
    std::string bytes;
    if (!loaded) {
        // Never emptied: the file is kept, byte for byte, beside.
        FUZZ_CHECK(catalogue.Damaged == file + ".damaged");
        FUZZ_CHECK(ReadBytes(catalogue.Damaged, bytes) && bytes == text);
        FUZZ_CHECK(!ReadBytes(file, bytes));
        FUZZ_CHECK(catalogue.Load(folder.Path()) && catalogue.Empty());
    } else {
        FUZZ_CHECK(catalogue.Text() == parsed->Text());
    }

    // An archive catalogued as CompressFolder does it, with the input for
    // its description, folder name and original place.
    const std::string key = "QF0ZZ01.ZIP";
    catalogue.Write(DescriptionsSection, key, text);
    catalogue.Write(FolderNamesSection, key, text);
    catalogue.Write(OriginalPathsSection, key, "/" + text);
    const std::vector<TValue> written = ValuesOf(catalogue);
    FUZZ_CHECK(catalogue.Save());
    TArchiveCatalogue reloaded;
    FUZZ_CHECK(reloaded.Load(folder.Path()));
    FUZZ_CHECK(ValuesOf(reloaded) == written);
    FUZZ_CHECK(reloaded.Value(FolderNamesSection, key) == text);
    FUZZ_CHECK(reloaded.Value(OriginalPathsSection, key) == "/" + text);

    // And deleted, it is gone from the file.
    for (const char* section : Sections)
        reloaded.Delete(section, key);
    FUZZ_CHECK(reloaded.Save());
    TArchiveCatalogue last;
    FUZZ_CHECK(last.Load(folder.Path()));
    for (const char* section : Sections)
        FUZZ_CHECK(!last.Value(section, key));
    return 0;
}
