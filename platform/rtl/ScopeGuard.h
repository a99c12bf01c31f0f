#pragma once
// Clean-up that runs when a scope ends, in place of try/finally and of
// catch (...) { undo; throw; } blocks:
//
//   auto restore = ScopeExit([&] { DisableControls(false); });   // always
//   auto undo    = ScopeFail([&] { Cancel(); });                 // only when unwinding
//
// A guard can be dismissed (Release) once the work it protects has committed.
// The clean-up must not throw: it may run while another exception unwinds.

#include <exception>
#include <utility>

template <typename F, bool OnlyOnFailure>
class TScopeGuard {
public:
    explicit TScopeGuard(F Action) : FAction(std::move(Action)), FExceptions(std::uncaught_exceptions()) {}
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;
    ~TScopeGuard()
    {
        if (!FActive) return;
        // Counting uncaught exceptions (not asking whether there is one) keeps
        // a guard made inside a destructor that runs during unwinding from
        // mistaking the outer exception for its own scope's failure.
        if (OnlyOnFailure && std::uncaught_exceptions() <= FExceptions) return;
        FAction();
    }
    void Release() { FActive = false; }

private:
    F FAction;
    int FExceptions;
    bool FActive = true;
};

template <typename F>
[[nodiscard]] TScopeGuard<F, false> ScopeExit(F Action) { return TScopeGuard<F, false>(std::move(Action)); }

template <typename F>
[[nodiscard]] TScopeGuard<F, true> ScopeFail(F Action) { return TScopeGuard<F, true>(std::move(Action)); }
