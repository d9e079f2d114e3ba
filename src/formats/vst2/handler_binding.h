// How the handler names in a module's description reach code. Each module class that offers
// handlers keeps one table: for every event a description may bind, the handler's name and the
// member function that runs. Binding stores a call to that member function in the event, so a
// virtual handler reaches the most derived override. A description entry that no row of the
// table matches fails the module's construction (see TVSTModule::ApplyLayer).
//
// The events of the audio path (OnProcessMidi, OnProcess32Replacing and the other processing
// and MIDI events) are virtual methods of the module chain instead, reached by direct virtual
// calls: their rows (method_handler) bind nothing and only record that the class overrides
// that event with the named handler, so a description that names a handler the class does not
// have still fails the construction.
//
//     static constexpr HandlerBinding kHandlers[] = {
//         module_handler<&TCustomVSTModule::OnEditIdle, &TMyModule::EditIdle>(
//             "OnEditIdle", "EditIdle"),
//         method_handler("OnProcessMidi", "ProcessMidi"),
//         program_handler<&TVstProgram::OnLoadChunk, &TMyModule::LoadChunk>(
//             "OnLoadChunk", "LoadChunk"),
//     };
//
// A handler whose parameters or result do not fit its event does not compile.
#pragma once

#include "formats/vst2/vst_program.h"

#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tonvo {

class TVSTModule;

struct HandlerBinding {
    std::string_view Event;   // "OnProcessMidi"; for a program "OnLoadChunk" or "OnStoreChunk"
    std::string_view Handler; // "VSTModuleProcessMidi"
    bool ForProgram = false;  // the event is a program's rather than the module's
    // Stores the handler in the event: the module's, or the program's when ForProgram. Null
    // for an event that is a virtual method (method_handler).
    void (*Bind)(TVSTModule& module, TVstProgram* program) = nullptr;
};

namespace handler_binding {

template <typename Pointer>
struct MemberOf;
// Matches pointers to data members and to member functions alike.
template <typename Class, typename Type>
struct MemberOf<Type Class::*> {
    using Owner = Class;
    using Member = Type;
};

template <typename Event>
struct Caller;
template <typename Result, typename... Args>
struct Caller<std::function<Result(Args...)>> {
    template <auto Handler, typename Module>
    static std::function<Result(Args...)> To(Module& module) {
        static_assert(std::is_invocable_r_v<Result, decltype(Handler), Module&, Args...>,
                      "the handler does not fit its event");
        return [&module](Args... args) -> Result {
            return (module.*Handler)(std::forward<Args>(args)...);
        };
    }
};

// The module is of the handler's class: the table that names the handler is that class's.
template <auto Event, auto Handler>
void bind_to_module(TVSTModule& module, TVstProgram*) {
    using Module = typename MemberOf<decltype(Handler)>::Owner;
    using Function = typename MemberOf<decltype(Event)>::Member;
    auto& self = static_cast<Module&>(module);
    self.*Event = Caller<Function>::template To<Handler>(self);
}

template <auto Event, auto Handler>
void bind_to_program(TVSTModule& module, TVstProgram* program) {
    using Module = typename MemberOf<decltype(Handler)>::Owner;
    using Function = typename MemberOf<decltype(Event)>::Member;
    auto& self = static_cast<Module&>(module);
    program->*Event = Caller<Function>::template To<Handler>(self);
}

} // namespace handler_binding

// A row for a module event (`Event` points at the module's std::function member).
template <auto Event, auto Handler>
constexpr HandlerBinding module_handler(std::string_view event, std::string_view handler) {
    return {event, handler, false, &handler_binding::bind_to_module<Event, Handler>};
}

// A row for a program event (`Event` points at a TVstProgram std::function member).
template <auto Event, auto Handler>
constexpr HandlerBinding program_handler(std::string_view event, std::string_view handler) {
    return {event, handler, true, &handler_binding::bind_to_program<Event, Handler>};
}

// A row for an event that is a virtual method of the module chain, overridden by the
// handler of that name (it calls the handler itself).
constexpr HandlerBinding method_handler(std::string_view event, std::string_view handler) {
    return {event, handler, false, nullptr};
}

} // namespace tonvo
