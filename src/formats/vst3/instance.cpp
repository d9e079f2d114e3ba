#include "formats/vst3/instance.h"

#include "formats/vst3/events.h"
#include "formats/vst3/view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace tonvo::vst3 {

namespace {

// The most hidden-parameter points one block takes; more are dropped, latest first.
constexpr int32_t kMaxPointsPerBlock = 256;

Instance& of(void* self) noexcept {
    return *static_cast<Instance::Face*>(self)->owner;
}

// Every routine the host calls on the main thread catches everything: nothing unwinds into
// the host.
template <typename Call>
tresult guarded(const char* where, Call call) noexcept {
    try {
        return call();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "Tonvo: %s: %s\n", where, failure.what());
    } catch (...) {
        std::fprintf(stderr, "Tonvo: %s failed\n", where);
    }
    return kInternalError;
}

void copy_name(char16* to, const char* from) noexcept {
    size_t i = 0;
    for (; from[i] != '\0' && i < 127; ++i) {
        to[i] = static_cast<char16>(static_cast<unsigned char>(from[i]));
    }
    to[i] = 0;
}

tresult VST3_API query_interface(void* self, const TUID iid, void** obj) {
    return of(self).query(iid, obj);
}
uint32_t VST3_API add_ref(void* self) {
    return of(self).add_ref();
}
uint32_t VST3_API release(void* self) {
    return of(self).release();
}
tresult VST3_API initialize(void* self, FUnknown* context) {
    return guarded("initialize", [&] { return of(self).initialize(context); });
}
tresult VST3_API terminate(void* self) {
    return of(self).terminate();
}

// --- IComponent --------------------------------------------------------------------------------

tresult VST3_API get_controller_class_id(void*, TUID) {
    return kNotImplemented; // the controller is this object
}
tresult VST3_API set_io_mode(void*, int32_t) {
    return kNotImplemented;
}
int32_t VST3_API get_bus_count(void* self, int32_t type, int32_t dir) {
    return of(self).bus_count(type, dir);
}
tresult VST3_API get_bus_info(void* self, int32_t type, int32_t dir, int32_t index, BusInfo* bus) {
    return bus != nullptr ? of(self).bus_info(type, dir, index, *bus) : kInvalidArgument;
}
tresult VST3_API get_routing_info(void*, RoutingInfo*, RoutingInfo*) {
    return kNotImplemented;
}
tresult VST3_API activate_bus(void* self, int32_t type, int32_t dir, int32_t index, TBool) {
    return index >= 0 && index < of(self).bus_count(type, dir) ? kResultOk : kInvalidArgument;
}
tresult VST3_API set_active(void* self, TBool state) {
    return of(self).set_active(state != 0);
}
tresult VST3_API set_state(void* self, IBStream* stream) {
    return stream != nullptr ? guarded("setState", [&] { return of(self).load(*stream); })
                             : kInvalidArgument;
}
tresult VST3_API get_state(void* self, IBStream* stream) {
    return stream != nullptr ? guarded("getState", [&] { return of(self).save(*stream); })
                             : kInvalidArgument;
}

constexpr IComponentVtbl kComponent{&query_interface,  &add_ref,       &release,
                                    &initialize,       &terminate,     &get_controller_class_id,
                                    &set_io_mode,      &get_bus_count, &get_bus_info,
                                    &get_routing_info, &activate_bus,  &set_active,
                                    &set_state,        &get_state};

// --- IAudioProcessor ---------------------------------------------------------------------------

tresult VST3_API set_bus_arrangements(void* self, SpeakerArrangement* inputs, int32_t numIns,
                                      SpeakerArrangement* outputs, int32_t numOuts) {
    return of(self).set_arrangements(inputs, numIns, outputs, numOuts);
}
tresult VST3_API get_bus_arrangement(void*, int32_t dir, int32_t index, SpeakerArrangement* arr) {
    if (dir != kOutput || index != 0 || arr == nullptr) {
        return kInvalidArgument;
    }
    *arr = kStereo;
    return kResultOk;
}
tresult VST3_API can_process_sample_size(void*, int32_t size) {
    return size == kSample32 || size == kSample64 ? kResultOk : kResultFalse;
}
uint32_t VST3_API get_latency_samples(void*) {
    return 0;
}
tresult VST3_API setup_processing(void*, ProcessSetup* setup) {
    return setup != nullptr ? kResultOk : kInvalidArgument;
}
tresult VST3_API set_processing(void*, TBool) {
    return kResultOk;
}
tresult VST3_API process(void* self, ProcessData* data) {
    return data != nullptr ? of(self).process(*data) : kInvalidArgument;
}
uint32_t VST3_API get_tail_samples(void*) {
    return 0;
}

constexpr IAudioProcessorVtbl kProcessor{&query_interface,
                                         &add_ref,
                                         &release,
                                         &set_bus_arrangements,
                                         &get_bus_arrangement,
                                         &can_process_sample_size,
                                         &get_latency_samples,
                                         &setup_processing,
                                         &set_processing,
                                         &process,
                                         &get_tail_samples};

// --- IEditController ---------------------------------------------------------------------------

tresult VST3_API set_component_state(void*, IBStream* stream) {
    // The component is this object: its state is already the controller's.
    return stream != nullptr ? kResultOk : kInvalidArgument;
}
tresult VST3_API set_controller_state(void*, IBStream* stream) {
    return stream != nullptr ? kResultOk : kInvalidArgument;
}
tresult VST3_API get_controller_state(void*, IBStream* stream) {
    return stream != nullptr ? kResultOk : kInvalidArgument; // nothing of its own to keep
}
int32_t VST3_API get_parameter_count(void*) {
    return kMidiParameterCount;
}
tresult VST3_API get_parameter_info(void* self, int32_t index, ParameterInfo* info) {
    return info != nullptr ? of(self).parameter_info(index, *info) : kInvalidArgument;
}
tresult VST3_API get_param_string_by_value(void*, ParamID id, ParamValue value, char16* string) {
    if (!is_midi_parameter(id) || string == nullptr) {
        return kInvalidArgument;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(midi_value(value, 127)));
    copy_name(string, text);
    return kResultOk;
}
tresult VST3_API get_param_value_by_string(void*, ParamID, char16*, ParamValue*) {
    return kNotImplemented;
}
ParamValue VST3_API normalized_to_plain(void*, ParamID, ParamValue value) {
    return value;
}
ParamValue VST3_API plain_to_normalized(void*, ParamID, ParamValue value) {
    return value;
}
ParamValue VST3_API get_param_normalized(void* self, ParamID id) {
    return of(self).parameter(id);
}
tresult VST3_API set_param_normalized(void* self, ParamID id, ParamValue value) {
    return of(self).set_parameter(id, value);
}
tresult VST3_API set_component_handler(void* self, IComponentHandler* handler) {
    return of(self).set_handler(handler);
}
IPlugView* VST3_API create_view(void* self, FIDString name) {
    try {
        return of(self).create_view(name);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "Tonvo: createView: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "Tonvo: createView failed\n");
    }
    return nullptr;
}

constexpr IEditControllerVtbl kController{&query_interface,
                                          &add_ref,
                                          &release,
                                          &initialize,
                                          &terminate,
                                          &set_component_state,
                                          &set_controller_state,
                                          &get_controller_state,
                                          &get_parameter_count,
                                          &get_parameter_info,
                                          &get_param_string_by_value,
                                          &get_param_value_by_string,
                                          &normalized_to_plain,
                                          &plain_to_normalized,
                                          &get_param_normalized,
                                          &set_param_normalized,
                                          &set_component_handler,
                                          &create_view};

// --- IMidiMapping ------------------------------------------------------------------------------

tresult VST3_API get_midi_controller_assignment(void*, int32_t bus, int16_t channel,
                                                CtrlNumber controller, ParamID* id) {
    if (bus != 0 || channel < 0 || channel > 15 || controller < 0 ||
        controller >= kMidiControllers || id == nullptr) {
        return kResultFalse; // program changes and anything else are not mapped
    }
    *id = midi_parameter(channel, controller);
    return kResultOk;
}

constexpr IMidiMappingVtbl kMidiMapping{&query_interface, &add_ref, &release,
                                        &get_midi_controller_assignment};

// One hidden parameter's point in the block.
struct Point {
    int32_t frame;
    ParamID id;
    ParamValue value;
};

} // namespace

Instance::Instance(PluginServices& services, FormFactory form_factory)
    : component_{&kComponent, this}, processor_{&kProcessor, this}, controller_{&kController, this},
      midi_mapping_{&kMidiMapping, this}, plugin_(*this, services),
      form_factory_(std::move(form_factory)) {
    // Every parameter starts at the default it announces: pitch bend in the middle.
    for (int32_t channel = 0; channel < 16; ++channel) {
        parameters_[midi_parameter(channel, kPitchBend)] = 0.5;
    }
}

Instance::~Instance() {
    set_handler(nullptr);
}

tresult Instance::query(const char* iid, void** obj) noexcept {
    if (obj == nullptr) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    if (same_uid(iid, FUnknown_iid) || same_uid(iid, IPluginBase_iid) ||
        same_uid(iid, IComponent_iid)) {
        *obj = &component_;
    } else if (same_uid(iid, IAudioProcessor_iid)) {
        *obj = &processor_;
    } else if (same_uid(iid, IEditController_iid)) {
        *obj = &controller_;
    } else if (same_uid(iid, IMidiMapping_iid)) {
        *obj = &midi_mapping_;
    } else {
        return kNoInterface;
    }
    add_ref();
    return kResultOk;
}

uint32_t Instance::add_ref() noexcept {
    return references_.fetch_add(1) + 1;
}

uint32_t Instance::release() noexcept {
    const uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

tresult Instance::initialize(FUnknown*) {
    if (!initialized_) {
        plugin_.start();
        initialized_ = true;
    }
    return kResultOk;
}

tresult Instance::terminate() noexcept {
    set_handler(nullptr);
    return kResultOk;
}

int32_t Instance::bus_count(int32_t type, int32_t dir) const noexcept {
    if (type == kEvent) {
        return dir == kInput || dir == kOutput ? 1 : 0;
    }
    return type == kAudio && dir == kOutput ? 1 : 0;
}

tresult Instance::bus_info(int32_t type, int32_t dir, int32_t index, BusInfo& bus) const noexcept {
    if (index < 0 || index >= bus_count(type, dir)) {
        return kInvalidArgument;
    }
    bus = {};
    bus.mediaType = type;
    bus.direction = dir;
    bus.channelCount = type == kEvent ? 16 : 2;
    copy_name(bus.name, type == kAudio ? "Output" : dir == kInput ? "MIDI In" : "MIDI Out");
    bus.busType = kMain;
    bus.flags = kDefaultActive;
    return kResultOk;
}

tresult Instance::set_active(bool) noexcept {
    return kResultOk;
}

tresult Instance::save(IBStream& stream) {
    const std::vector<uint8_t> block = plugin_.state_block();
    size_t written = 0;
    while (written < block.size()) {
        int32_t step = 0;
        const auto left = static_cast<int32_t>(block.size() - written);
        if (stream.lpVtbl->write(&stream, const_cast<uint8_t*>(block.data() + written), left,
                                 &step) != kResultOk ||
            step <= 0) {
            return kResultFalse;
        }
        written += static_cast<size_t>(step);
    }
    return kResultOk;
}

// Read whole, to the stream's end, before anything changes; more than the largest state block
// is refused. A read that answers anything but kResultOk ends the stream with the bytes it
// still gave: hosts' file streams answer kResultFalse to the short read at their end. What was
// read must then be a whole state block, or nothing changes.
tresult Instance::load(IBStream& stream) {
    std::vector<uint8_t> block;
    uint8_t chunk[4096];
    for (;;) {
        int32_t step = 0;
        const tresult result = stream.lpVtbl->read(&stream, chunk, sizeof chunk, &step);
        if (step < 0 || step > static_cast<int32_t>(sizeof chunk)) {
            return kResultFalse;
        }
        block.insert(block.end(), chunk, chunk + step);
        if (result != kResultOk || step == 0) {
            break;
        }
        if (block.size() > core::Plugin::kMaxStateBlockBytes) {
            return kResultFalse;
        }
    }
    try {
        plugin_.set_state_block(block); // throws, changing nothing, on a bad block
    } catch (const std::exception& failure) {
        report_failure("state load", failure.what());
        return kResultFalse;
    }
    return kResultOk;
}

tresult Instance::set_arrangements(const SpeakerArrangement*, int32_t inputs_count,
                                   const SpeakerArrangement* outputs,
                                   int32_t outputs_count) noexcept {
    return inputs_count == 0 && outputs_count == 1 && outputs != nullptr && outputs[0] == kStereo
               ? kResultOk
               : kResultFalse;
}

// The previews first, then the block's input in time order, the transport watch, the delivery
// and the silent outputs.
tresult Instance::process(ProcessData& data) noexcept {
    plugin_.drain_previews();
    core::Transport transport;
    if (const ProcessContext* context = data.processContext) {
        transport.known = true;
        transport.playing = (context->state & kPlaying) != 0;
        transport.sample_position = static_cast<double>(context->projectTimeSamples);
    }
    take_input(data);
    plugin_.watch_transport(transport);
    deliver(data.outputEvents, data.numSamples);
    const auto frames = static_cast<size_t>(std::max(data.numSamples, 0));
    for (int32_t bus = 0; bus < data.numOutputs && data.outputs != nullptr; ++bus) {
        AudioBusBuffers& out = data.outputs[bus];
        for (int32_t channel = 0; channel < out.numChannels; ++channel) {
            if (data.symbolicSampleSize == kSample64 && out.channelBuffers64 != nullptr &&
                out.channelBuffers64[channel] != nullptr) {
                std::fill_n(out.channelBuffers64[channel], frames, 0.0);
            } else if (data.symbolicSampleSize == kSample32 && out.channelBuffers32 != nullptr &&
                       out.channelBuffers32[channel] != nullptr) {
                std::fill_n(out.channelBuffers32[channel], frames, 0.0f);
            }
        }
        out.silenceFlags = out.numChannels >= 64 ? ~uint64_t{0}
                           : out.numChannels > 0 ? (uint64_t{1} << out.numChannels) - 1
                                                 : 0;
    }
    return kResultOk;
}

void Instance::take_input(ProcessData& data) noexcept {
    // The hidden parameters' points, ordered by time; an insertion sort, stable (one queue
    // keeps its order) and allocating nothing.
    std::array<Point, kMaxPointsPerBlock> points;
    int32_t point_count = 0;
    if (IParameterChanges* changes = data.inputParameterChanges) {
        const int32_t queues = changes->lpVtbl->getParameterCount(changes);
        for (int32_t q = 0; q < queues; ++q) {
            IParamValueQueue* queue = changes->lpVtbl->getParameterData(changes, q);
            if (queue == nullptr) {
                continue;
            }
            const ParamID id = queue->lpVtbl->getParameterId(queue);
            if (!is_midi_parameter(id)) {
                continue;
            }
            const int32_t count = queue->lpVtbl->getPointCount(queue);
            for (int32_t p = 0; p < count && point_count < kMaxPointsPerBlock; ++p) {
                Point point{0, id, 0.0};
                if (queue->lpVtbl->getPoint(queue, p, &point.frame, &point.value) != kResultOk) {
                    continue;
                }
                auto at = static_cast<size_t>(point_count++);
                for (; at > 0 && points[at - 1].frame > point.frame; --at) {
                    points[at] = points[at - 1];
                }
                points[at] = point;
            }
        }
    }

    // Events and points merged by time (a point first at the same time), each reaching the
    // core at one call, so the compiler keeps the note path inline here. An event a point goes
    // before is asked for again on the next turn.
    IEventList* events = data.inputEvents;
    const int32_t event_count = events != nullptr ? events->lpVtbl->getEventCount(events) : 0;
    int32_t next_event = 0;
    int32_t next_point = 0;
    Event event{};
    for (;;) {
        core::MidiRecord record;
        const bool have_event = next_event < event_count;
        if (have_event && (events->lpVtbl->getEvent(events, next_event, &event) != kResultOk ||
                           !midi_of(event, record))) {
            ++next_event;
            continue;
        }
        if (next_point < point_count &&
            (!have_event || points[static_cast<size_t>(next_point)].frame <= event.sampleOffset)) {
            const Point& point = points[static_cast<size_t>(next_point++)];
            record = midi_of_parameter(point.id, point.value, point.frame);
        } else if (have_event) {
            ++next_event;
        } else {
            break;
        }
        plugin_.process_midi(record);
    }
}

// Times never go back: what the core queued after later events (a release at the block's start
// after the transport stopped) goes out at the latest time reached. What the host's list
// refuses is dropped.
void Instance::deliver(IEventList* out, int32_t frames) noexcept {
    core::OutputQueue& queue = plugin_.output();
    if (out != nullptr) {
        const int32_t final_time = std::max(frames - 1, 0);
        int32_t last = 0;
        for (const core::MidiRecord& record : queue.records()) {
            last = std::min(std::max(record.frame, last), final_time);
            Event event;
            if (is_note(record)) {
                note_event_of(record, last, event);
            } else if (!other_event_of(record, last, event)) {
                continue;
            }
            if (out->lpVtbl->addEvent(out, &event) != kResultOk) {
                break;
            }
        }
    }
    queue.clear();
}

tresult Instance::parameter_info(int32_t index, ParameterInfo& info) const noexcept {
    if (index < 0 || index >= kMidiParameterCount) {
        return kInvalidArgument;
    }
    info = {};
    info.id = static_cast<ParamID>(index);
    const int32_t channel = index / kMidiControllers + 1;
    const int32_t controller = index % kMidiControllers;
    char title[64];
    if (controller == kPitchBend) {
        std::snprintf(title, sizeof title, "MIDI Ch %d Pitch Bend", static_cast<int>(channel));
    } else if (controller == kAfterTouch) {
        std::snprintf(title, sizeof title, "MIDI Ch %d Pressure", static_cast<int>(channel));
    } else {
        std::snprintf(title, sizeof title, "MIDI Ch %d CC %d", static_cast<int>(channel),
                      static_cast<int>(controller));
    }
    copy_name(info.title, title);
    copy_name(info.shortTitle, title);
    info.stepCount = 0;
    info.defaultNormalizedValue = controller == kPitchBend ? 0.5 : 0.0;
    info.flags = kIsHidden;
    return kResultOk;
}

ParamValue Instance::parameter(ParamID id) const noexcept {
    return is_midi_parameter(id) ? parameters_[id] : 0.0;
}

tresult Instance::set_parameter(ParamID id, ParamValue value) noexcept {
    if (!is_midi_parameter(id)) {
        return kInvalidArgument;
    }
    parameters_[id] = std::min(std::max(0.0, value), 1.0); // NaN counts as 0, as in midi_value
    return kResultOk;
}

tresult Instance::set_handler(IComponentHandler* handler) noexcept {
    if (handler2_ != nullptr) {
        handler2_->lpVtbl->release(handler2_);
        handler2_ = nullptr;
    }
    if (handler_ != nullptr) {
        handler_->lpVtbl->release(handler_);
    }
    handler_ = handler;
    if (handler_ != nullptr) {
        handler_->lpVtbl->addRef(handler_);
        void* second = nullptr;
        if (handler_->lpVtbl->queryInterface(handler_, IComponentHandler2_iid.bytes, &second) ==
            kResultOk) {
            handler2_ = static_cast<IComponentHandler2*>(second);
        }
    }
    return kResultOk;
}

IPlugView* Instance::create_view(FIDString name) {
    if (!form_factory_ || name == nullptr || std::strcmp(name, "editor") != 0) {
        return nullptr;
    }
    return (new View(*this, form_factory_))->plug_view();
}

void Instance::state_changed() {
    if (handler2_ != nullptr) {
        handler2_->lpVtbl->setDirty(handler2_, 1);
    }
}

void Instance::report_failure(const char* where, const char* message) noexcept {
    std::fprintf(stderr, "Tonvo: %s: %s\n", where, message);
}

} // namespace tonvo::vst3
