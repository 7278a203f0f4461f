#pragma once
// The per-user settings store: text values filed by application, section and key, kept
// between runs. Numbers are stored as decimal text and read back with NumericValue.
// The Qt implementation (platform/) keeps one INI file per application; tests use
// MemorySettingsStore.

#include <map>
#include <string>
#include <tuple>

namespace korvel {

// None of the operations raises: a store that cannot reach its file keeps the values for
// the run and says so itself (the Qt implementation: one line on standard error).
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // The stored text, or the default when none is stored.
    virtual std::string Get(const std::string& application, const std::string& section,
                            const std::string& key, const std::string& defaultValue) const = 0;
    // Stored at once; survives the program's end.
    virtual void Save(const std::string& application, const std::string& section,
                      const std::string& key, const std::string& value) = 0;
    // The section and all its keys are gone.
    virtual void Delete(const std::string& application, const std::string& section) = 0;
};

// Keeps everything in memory; for tests and for a control without a store.
class MemorySettingsStore final : public ISettingsStore {
public:
    std::string Get(const std::string& application, const std::string& section,
                    const std::string& key, const std::string& defaultValue) const override {
        auto it = m_Values.find({application, section, key});
        return it == m_Values.end() ? defaultValue : it->second;
    }
    void Save(const std::string& application, const std::string& section, const std::string& key,
              const std::string& value) override {
        m_Values[{application, section, key}] = value;
    }
    void Delete(const std::string& application, const std::string& section) override {
        for (auto it = m_Values.begin(); it != m_Values.end();) {
            if (std::get<0>(it->first) == application && std::get<1>(it->first) == section)
                it = m_Values.erase(it);
            else
                ++it;
        }
    }
    std::size_t Count() const { return m_Values.size(); }

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> m_Values;
};

} // namespace korvel
