// Typed option objects and the option set that owns, loads and saves them.
// The program reads and assigns Value in memory; only the set touches the
// store.
#pragma once

#include <QString>
#include <memory>
#include <vector>

class TSettingsStore;

class TOption {
public:
    explicit TOption(QString name) : Name(std::move(name)) {}
    virtual ~TOption() = default;
    TOption(const TOption&) = delete;
    TOption& operator=(const TOption&) = delete;

    virtual void Load(const TSettingsStore& store, const QString& section) = 0;
    virtual void Save(TSettingsStore& store, const QString& section) const = 0;
    // Value := Default.
    virtual void Reset() = 0;

    const QString Name;
};

class TIntOption : public TOption {
public:
    TIntOption(QString name, int def, int (*correct)(int) = nullptr)
        : TOption(std::move(name)), Value(def), Default(def), Correct(correct) {}
    void Load(const TSettingsStore& store, const QString& section) override;
    void Save(TSettingsStore& store, const QString& section) const override;
    void Reset() override { Value = Default; }

    int Value;
    const int Default;

private:
    int (*Correct)(int);
};

class TBoolOption : public TOption {
public:
    TBoolOption(QString name, bool def) : TOption(std::move(name)), Value(def), Default(def) {}
    void Load(const TSettingsStore& store, const QString& section) override;
    void Save(TSettingsStore& store, const QString& section) const override;
    void Reset() override { Value = Default; }

    bool Value;
    const bool Default;
};

class TStrOption : public TOption {
public:
    TStrOption(QString name, QString def)
        : TOption(std::move(name)), Value(def), Default(std::move(def)) {}
    void Load(const TSettingsStore& store, const QString& section) override;
    void Save(TSettingsStore& store, const QString& section) const override;
    void Reset() override { Value = Default; }

    QString Value;
    const QString Default;
};

struct TConfigKey;

// An option set: the options of one section of the store, in the order they
// were added.
class TOptions {
public:
    explicit TOptions(QString section) : Section(std::move(section)) {}

    TIntOption& AddInt(const QString& name, int def, int (*correct)(int) = nullptr);
    TBoolOption& AddBool(const QString& name, bool def);
    TStrOption& AddStr(const QString& name, const QString& def);
    // From the key table: the name, default and range rule of an entry.
    TIntOption& AddInt(const TConfigKey& key);
    TBoolOption& AddBool(const TConfigKey& key);
    TStrOption& AddStr(const TConfigKey& key);

    // Every option takes its stored value, or its default when the stored one
    // is absent or unusable.
    void Load(const TSettingsStore& store);
    // Puts every option into the store.
    void Save(TSettingsStore& store) const;
    void ResetAll();

    const std::vector<std::unique_ptr<TOption>>& Items() const { return List; }

    const QString Section;

private:
    std::vector<std::unique_ptr<TOption>> List;
};
