#include "page/ProfileAutoSwitch.h"

#include "base/RecordNames.h"
#include "base/Trace.h"

#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrin {

bool ProfileAutoSwitch::Stamp::operator==(const Stamp& other) const
{
    return exists == other.exists && size == other.size &&
        modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

ProfileAutoSwitch::ProfileAutoSwitch(Page page, std::string dataFolder,
    std::unique_ptr<ActiveWindowWatch> watch, AutoSwitch::Time settle)
    : page_(std::move(page)), dataFolder_(std::move(dataFolder)),
      decision_({}, page_.profiles(), page_.current(), settle), settle_(settle),
      timer_(std::make_unique<QTimer>()), watch_(std::move(watch))
{
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Settled(); });
}

ProfileAutoSwitch::~ProfileAutoSwitch() = default;

AutoSwitch::Time ProfileAutoSwitch::Now() const
{
    return std::chrono::duration_cast<AutoSwitch::Time>(
        std::chrono::steady_clock::now().time_since_epoch());
}

bool ProfileAutoSwitch::SettlePending() const { return timer_->isActive(); }

void ProfileAutoSwitch::FocusChanged(const SessionWindow& window)
{
    // Kestrin's own windows are where its profiles are edited: the profile in front stays.
    if (window.pid == getpid())
        return;
    Trace("in front: class \"%s\", instance \"%s\", program \"%s\"\n",
        window.program.windowClass.c_str(), window.program.instance.c_str(),
        window.program.executable.c_str());
    pending_ = window.program;
    decision_.FocusChanged(window.program, Now());
    timer_->start(static_cast<int>(settle_.count()));
}

void ProfileAutoSwitch::UserChose(const std::string& profile)
{
    // A window still settling, or a switch a hold kept back, is outranked by the user.
    timer_->stop();
    decision_.UserChose(profile);
    ruleProgram_.clear();
}

void ProfileAutoSwitch::ReadRulesIfChanged()
{
    Stamp stamp;
    struct stat info { };
    if (stat(AppRulesPath(dataFolder_).c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.modified = info.st_mtim;
        stamp.size = info.st_size;
    }
    if (stamp == rulesStamp_ && stamp.size >= 0)
        return;
    rulesStamp_ = stamp;
    auto loaded = LoadAppRules(dataFolder_);
    if (!loaded.ok()) {
        Trace("app-profiles.conf cannot be read: %s\n", loaded.error.c_str());
        rules_ = {};
    } else {
        for (const AppRuleProblem& problem : loaded.value.problems)
            Trace("app-profiles.conf line %d skipped: %s\n", problem.line, problem.why.c_str());
        rules_ = std::move(loaded.value.rules);
    }
    decision_.SetRules(rules_);
}

void ProfileAutoSwitch::Settled()
{
    ReadRulesIfChanged();
    decision_.SetProfiles(page_.profiles());
    const auto now = Now();
    if (page_.held()) {
        Trace("a switch waits: a dialog is open or edits are not sent yet\n");
        holding_ = true;
        decision_.HoldBegan();
    }
    // What a switch now, or once a hold ends, is about.
    settled_ = pending_;
    if (auto wanted = decision_.Elapsed(now)) {
        Switch(*wanted);
        return;
    }
    // A timer may fire a little early: the window has not settled yet, so wait out the rest.
    if (const auto due = decision_.DueAt(); due && *due > now)
        timer_->start(static_cast<int>((*due - now).count()));
}

void ProfileAutoSwitch::HoldMayHaveEnded()
{
    if (!holding_ || page_.held())
        return;
    holding_ = false;
    if (auto wanted = decision_.HoldEnded(Now()))
        Switch(*wanted);
}

void ProfileAutoSwitch::Switch(const std::string& profile)
{
    if (!page_.use(profile)) {
        Trace("automatic switch to \"%s\" found no such profile\n", profile.c_str());
        return;
    }
    ruleProgram_.clear();
    if (const AppRule* rule = FindAppRule(rules_, settled_);
        rule && NamesEqual(ToU16(rule->profile), ToU16(profile)))
        ruleProgram_ = rule->program;
    Trace("automatic switch to \"%s\" (%s)\n", profile.c_str(),
        ruleProgram_.empty() ? "the profile chosen" : ruleProgram_.c_str());
    page_.switched(profile, ruleProgram_);
}

} // namespace kestrin
