#pragma once

#include <QFlags>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <any>
#include <functional>
#include <type_traits>
#include <vector>

namespace wayfarer::ui {

// Control events, with the platform's bit values.
enum class ControlEvent : unsigned {
    touchDown = 1u << 0,
    touchUpInside = 1u << 6,
    valueChanged = 1u << 12,
    editingChanged = 1u << 17,
};
Q_DECLARE_FLAGS(ControlEvents, ControlEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(ControlEvents)

// The targets and actions bound to a control's events. An action is a member function of
// the target taking either nothing or the sending control. Binding the same target and
// action to an event a second time has no effect; a target that is destroyed is dropped.
template <class Sender>
class TargetActions {
public:
    template <class Target, class Action>
    void add(Target* target, Action action, ControlEvents events) {
        static_assert(std::is_base_of_v<QObject, Target>, "targets are QObjects, so that a destroyed one is noticed");
        static_assert(std::is_member_function_pointer_v<Action>);
        for (auto& binding : bindings_) {
            if (binding.target == target && binding.sameAction(std::any(action))) {
                binding.events |= events;
                return;
            }
        }
        Binding binding;
        binding.target = target;
        binding.events = events;
        binding.action = action;
        binding.sameAction = [action](const std::any& other) {
            const auto* candidate = std::any_cast<Action>(&other);
            return candidate && *candidate == action;
        };
        binding.invoke = [target, action](Sender& sender) {
            if constexpr (std::is_invocable_v<Action, Target*, Sender*>)
                (target->*action)(&sender);
            else
                (target->*action)();
        };
        bindings_.push_back(std::move(binding));
    }

    template <class Target, class Action>
    void remove(Target* target, Action action, ControlEvents events) {
        for (auto& binding : bindings_)
            if (binding.target == target && binding.sameAction(std::any(action)))
                binding.events &= ~events;
        prune();
    }

    // Runs every action bound to one of `events`, in the order they were bound.
    void send(Sender& sender, ControlEvents events) {
        prune();
        const auto snapshot = bindings_;  // an action may bind or unbind others
        for (const auto& binding : snapshot)
            if (binding.events.testAnyFlags(events) && binding.target)
                binding.invoke(sender);
    }

    std::size_t count(ControlEvents events) {
        prune();
        return static_cast<std::size_t>(std::count_if(bindings_.begin(), bindings_.end(),
                                                      [&](const Binding& b) { return b.events.testAnyFlags(events); }));
    }

private:
    struct Binding {
        QPointer<QObject> target;
        ControlEvents events;
        std::any action;
        std::function<bool(const std::any&)> sameAction;
        std::function<void(Sender&)> invoke;
    };

    void prune() {
        std::erase_if(bindings_, [](const Binding& b) { return !b.target || !b.events; });
    }

    std::vector<Binding> bindings_;
};

}
