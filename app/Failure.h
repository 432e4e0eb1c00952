// A run-time failure as the program reports it: the system's number and a
// description that names the file or program and the system's reason.
#pragma once

#include <exception>
#include <string>

namespace autorun {

class Failure : public std::exception {
public:
    Failure(long number, std::string description) : number_(number), description_(std::move(description)) {}

    long Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    long number_;
    std::string description_;
};

// The documentation window's report: the number, "--" and the description, nothing added.
std::string FailureReportText(const Failure& failure);

// The report for a failure no handler caught, before the program ends.
std::string UncaughtReportText(const Failure& failure);

} // namespace autorun
