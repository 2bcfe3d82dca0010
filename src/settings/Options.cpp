// Loading and saving of the option classes.
#include "Options.h"

#include "ConfigKeys.h"
#include "SettingsStore.h"

void TIntOption::Load(const TSettingsStore& store, const QString& section) {
    auto stored = IntOfStored(store.Value(section, Name));
    Value = stored ? (Correct ? Correct(*stored) : *stored) : Default;
}

void TIntOption::Save(TSettingsStore& store, const QString& section) const {
    store.SetValue(section, Name, QString::number(Value));
}

void TBoolOption::Load(const TSettingsStore& store, const QString& section) {
    auto stored = IntOfStored(store.Value(section, Name));
    Value = stored ? *stored != 0 : Default;
}

void TBoolOption::Save(TSettingsStore& store, const QString& section) const {
    store.SetValue(section, Name, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TStrOption::Load(const TSettingsStore& store, const QString& section) {
    Value = TextOfStored(store.Value(section, Name)).value_or(Default);
}

void TStrOption::Save(TSettingsStore& store, const QString& section) const {
    store.SetValue(section, Name, Value);
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

void TOptions::Load(const TSettingsStore& store) {
    for (auto& option : List)
        option->Load(store, Section);
}

void TOptions::Save(TSettingsStore& store) const {
    for (const auto& option : List)
        option->Save(store, Section);
}

void TOptions::ResetAll() {
    for (auto& option : List)
        option->Reset();
}
