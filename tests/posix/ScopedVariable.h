// Sets an environment variable for one test, or takes it away (nullptr), so that what the code under
// test finds does not depend on the machine; the variable is as it was once the guard goes.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace autorun::test {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* saved = std::getenv(name))
            saved_ = saved;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (saved_)
            setenv(name_.c_str(), saved_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

} // namespace autorun::test
