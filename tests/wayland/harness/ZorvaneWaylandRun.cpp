// ZorvaneWaylandRun: starts the real program on the test's Wayland desktop and reads its trace.
#include "harness/ZorvaneWaylandRun.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zorvane::test {

namespace {

constexpr const char* kTracePrefix = "zorvane-trace ";

std::string SettingsText(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<Configuration>\n  <Zorvane>\n";
    for (const auto& [name, value] : settings)
        text += "    <" + name + ">" + value + "</" + name + ">\n";
    return text + "  </Zorvane>\n</Configuration>\n";
}

// Sway's user gets sway's environment, not ours: the sanitizers' settings go along.
std::vector<std::string> SanitizerSettings() {
    std::vector<std::string> settings;
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            settings.push_back(std::string(name) + "=" + value);
    return settings;
}

} // namespace

std::string ZorvaneBinary() {
    return WaylandBinDir() + "/zorvane";
}

ZorvaneWaylandRun::ZorvaneWaylandRun(WaylandDesktop& desktop, const Options& options)
    : desktop_(desktop), sway_(dynamic_cast<SwayDesktop*>(&desktop)), options_(options) {
    const std::string text = SettingsText(options.settings);
    if (options.asSwayUser && sway_ != nullptr) {
        settingsFile_ = sway_->writeSwayUserFile("zorvane/Zorvane.xml", text);
    } else {
        settingsFile_ = desktop.folder() + "/Zorvane.xml";
        std::ofstream(settingsFile_, std::ios::trunc) << text;
    }
}

ZorvaneWaylandRun::~ZorvaneWaylandRun() {
    if (process_ != nullptr)
        desktop_.stop(*process_);
}

std::vector<std::string> ZorvaneWaylandRun::command(const std::vector<std::string>& args) const {
    std::vector<std::string> argv;
    if (!options_.swayIpc)
        argv = {"env", "-u", "SWAYSOCK", "-u", "I3SOCK"};
    argv.push_back(ZorvaneBinary());
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

void ZorvaneWaylandRun::start() {
    const auto argv = command({"--settings", settingsFile_});
    std::vector<std::string> extra = {"ZORVANE_TRACE=1"};
    if (options_.asSwayUser && sway_ != nullptr) {
        const auto sanitizers = SanitizerSettings();
        extra.insert(extra.end(), sanitizers.begin(), sanitizers.end());
        process_ = &sway_->startAsSwayUser(argv, extra);
    } else {
        process_ = &desktop_.startProcess(argv, extra);
    }
}

bool ZorvaneWaylandRun::startResident() {
    start();
    return waitFor("resident");
}

CommandResult ZorvaneWaylandRun::runAgain(const std::vector<std::string>& args, int timeoutMs) {
    std::vector<std::string> withSettings = args;
    withSettings.insert(withSettings.end(), {"--settings", settingsFile_});
    const auto argv = command(withSettings);
    if (options_.asSwayUser && sway_ != nullptr)
        return sway_->runAsSwayUser(argv, SanitizerSettings(), timeoutMs);
    return desktop_.run(argv, {}, timeoutMs);
}

std::string ZorvaneWaylandRun::trace() const {
    return process_ != nullptr ? process_->err() : std::string();
}

std::vector<std::string> ZorvaneWaylandRun::lines(const std::string& prefix) const {
    std::vector<std::string> found;
    for (auto& milestone : milestones(prefix))
        found.push_back(std::move(milestone.second));
    return found;
}

std::vector<long> ZorvaneWaylandRun::times(const std::string& prefix) const {
    std::vector<long> found;
    for (const auto& milestone : milestones(prefix))
        found.push_back(milestone.first);
    return found;
}

std::vector<std::pair<long, std::string>> ZorvaneWaylandRun::milestones(const std::string& prefix) const {
    std::vector<std::pair<long, std::string>> found;
    std::istringstream text(trace());
    for (std::string line; std::getline(text, line);) {
        // "zorvane-trace <ms> <what>"; a last line still being written has no newline yet, but a
        // milestone is written in one piece.
        if (!line.starts_with(kTracePrefix))
            continue;
        const std::size_t space = line.find(' ', std::string(kTracePrefix).size());
        if (space == std::string::npos)
            continue;
        std::string what = line.substr(space + 1);
        if (what.starts_with(prefix))
            found.emplace_back(std::atol(line.c_str() + std::string(kTracePrefix).size()), std::move(what));
    }
    return found;
}

std::vector<std::string> ZorvaneWaylandRun::ownLines() const {
    std::vector<std::string> found;
    std::istringstream text(trace());
    for (std::string line; std::getline(text, line);)
        if (!line.starts_with(kTracePrefix))
            found.push_back(line);
    return found;
}

bool ZorvaneWaylandRun::waitFor(const std::string& prefix, int count, int timeoutMs) {
    return WaylandDesktop::waitFor(
               [&] { return this->count(prefix) >= count || process_ == nullptr || !process_->running(); },
               timeoutMs) &&
           this->count(prefix) >= count;
}

int ZorvaneWaylandRun::quit(int timeoutMs) {
    if (process_ == nullptr)
        return -1;
    runAgain({"--quit"});
    if (!process_->waitExit(timeoutMs))
        return -1;
    return process_->exitCode().value_or(-1);
}

} // namespace zorvane::test
