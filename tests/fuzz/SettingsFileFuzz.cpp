// The settings file: whatever it holds, the program's settings loaded from it,
// saved and written are what the next start reads; every value of the key
// table reads back as the store held it; the written file reads without a
// complaint; and a file that could not be parsed is kept whole beside it.
//
// Qt keeps caches across calls (QSettings' parsed files, among others), so
// nearly every run ends with more allocated than it began with, and
// libFuzzer's leak check would scan the heap after each one: a hundredth of
// the speed. Leaks are left to the test suite under the sanitizers.
// libFuzzer options: -detect_leaks=0
#include "FuzzSupport.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using namespace FuzzSupport;

QVariant ValueOf(const TSettingsStore& store, const TConfigKey& key) {
    return store.Value(QString::fromLatin1(key.Section), QString::fromLatin1(key.Name));
}

bool SameOptions(const TOptions& a, const TOptions& b) {
    if (a.Items().size() != b.Items().size())
        return false;
    for (std::size_t i = 0; i < a.Items().size(); ++i) {
        const TOption* x = a.Items()[i].get();
        const TOption* y = b.Items()[i].get();
        if (auto* i1 = dynamic_cast<const TIntOption*>(x)) {
            auto* i2 = dynamic_cast<const TIntOption*>(y);
            if (!i2 || i1->Value != i2->Value)
                return false;
        } else if (auto* b1 = dynamic_cast<const TBoolOption*>(x)) {
            auto* b2 = dynamic_cast<const TBoolOption*>(y);
            if (!b2 || b1->Value != b2->Value)
                return false;
        } else if (auto* s1 = dynamic_cast<const TStrOption*>(x)) {
            auto* s2 = dynamic_cast<const TStrOption*>(y);
            if (!s2 || s1->Value != s2->Value)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TScratchFolder folder;
    const std::string file = folder.Path("Quillmere 3.conf");
    FUZZ_CHECK(WriteBytes(file, text));
    const QString path = QString::fromStdString(file);

    TSettingsStore store = TSettingsStore::Read(path);
    TProgramSettings settings;
    LoadSettings(settings, store);
    SaveSettings(settings, store);
    const auto why = store.Write();
    FUZZ_CHECK(!why);
    std::string bytes;
    if (ReadBytes(file + ".damaged", bytes))
        FUZZ_CHECK(bytes == text);

    const TSettingsStore again = TSettingsStore::Read(path);
    FUZZ_CHECK(again.Notes().isEmpty());
    for (const TConfigKey* key : AllConfigKeys()) {
        const QVariant read = ValueOf(again, *key);
        const QVariant written = ValueOf(store, *key);
        if (read != written) {
            std::fprintf(stderr, "%s/%s: written %s %s, read %s %s\n", key->Section, key->Name,
                         written.typeName(), qPrintable(written.toString()), read.typeName(),
                         qPrintable(read.toString()));
            if (ReadBytes(file, bytes))
                std::fprintf(stderr, "The file as written:\n%s\n", bytes.c_str());
        }
        FUZZ_CHECK(read == written);
    }
    TProgramSettings back;
    LoadSettings(back, again);
    FUZZ_CHECK(SameOptions(back.OptionsSet, settings.OptionsSet));
    FUZZ_CHECK(SameOptions(back.DesktopSet, settings.DesktopSet));
    FUZZ_CHECK(back.Colors == settings.Colors);
    FUZZ_CHECK(back.MinFileSectionAngle == settings.MinFileSectionAngle);
    FUZZ_CHECK(back.MinFolderSectionAngle == settings.MinFolderSectionAngle);
    FUZZ_CHECK(back.MinTextSectionAngle == settings.MinTextSectionAngle);

    // The drives to scan at start-up, joined again, split into the same list.
    const QStringList drives = SplitDriveList(settings.DrivesToAutoScan.Value);
    FUZZ_CHECK(SplitDriveList(JoinDriveList(drives)) == drives);
    return 0;
}
