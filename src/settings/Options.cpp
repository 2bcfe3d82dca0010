// Loading and saving of the option classes.
#include "Options.h"

#include "ConfigKeys.h"
#include "SettingsStore.h"

namespace {

QString ValuePath(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

} // namespace

void TIntOption::Load(QSettings& store, const QString& section) {
    auto stored = IntOfStored(store.value(ValuePath(section, Name)));
    Value = stored ? (Correct ? Correct(*stored) : *stored) : Default;
}

void TIntOption::Save(QSettings& store, const QString& section) const {
    store.setValue(ValuePath(section, Name), QString::number(Value));
}

void TBoolOption::Load(QSettings& store, const QString& section) {
    auto stored = IntOfStored(store.value(ValuePath(section, Name)));
    Value = stored ? *stored != 0 : Default;
}

void TBoolOption::Save(QSettings& store, const QString& section) const {
    store.setValue(ValuePath(section, Name), Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TStrOption::Load(QSettings& store, const QString& section) {
    Value = TextOfStored(store.value(ValuePath(section, Name))).value_or(Default);
}

void TStrOption::Save(QSettings& store, const QString& section) const {
    store.setValue(ValuePath(section, Name), Value);
}

TIntOption& TOptions::AddInt(const QString& name, int def, int (*correct)(int)) {
    auto option = std::make_unique<TIntOption>(name, def, correct);
    auto& result = *option;
    List.push_back(std::move(option));
    return result;
}

TBoolOption& TOptions::AddBool(const QString& name, bool def) {
    auto option = std::make_unique<TBoolOption>(name, def);
    auto& result = *option;
    List.push_back(std::move(option));
    return result;
}

TStrOption& TOptions::AddStr(const QString& name, const QString& def) {
    auto option = std::make_unique<TStrOption>(name, def);
    auto& result = *option;
    List.push_back(std::move(option));
    return result;
}

TIntOption& TOptions::AddInt(const TConfigKey& key) {
    return AddInt(QString::fromLatin1(key.Name), key.IntDefault, key.Correct);
}

TBoolOption& TOptions::AddBool(const TConfigKey& key) {
    return AddBool(QString::fromLatin1(key.Name), key.IntDefault != 0);
}

TStrOption& TOptions::AddStr(const TConfigKey& key) {
    return AddStr(QString::fromLatin1(key.Name), QString::fromLatin1(key.StrDefault));
}

void TOptions::Load() {
    auto store = OpenSettings(Key);
    for (auto& option : List)
        option->Load(*store, Section);
}

bool TOptions::Save() const {
    return WriteSettings(Key, [this](QSettings& store) {
        for (const auto& option : List)
            option->Save(store, Section);
    });
}

void TOptions::ResetAll() {
    for (auto& option : List)
        option->Reset();
}
