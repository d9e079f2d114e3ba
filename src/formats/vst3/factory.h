// The VST 3 plug-in factory, made for the shipped library, which gives the services
// and the editor's form (`Shipped::services()`, `Shipped::make_form`). One class: the processor,
// which is its own controller. The factory lives as long as the library; its reference count is
// only nominal. Every routine catches everything: nothing unwinds into the host.
#pragma once

#include "formats/vst3/class_info.h"
#include "formats/vst3/instance.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace tonvo::vst3 {

template <typename Shipped>
struct Factory {
    static tresult VST3_API query_interface(void* self, const TUID iid, void** obj) {
        if (obj == nullptr) {
            return kInvalidArgument;
        }
        const bool known = same_uid(iid, FUnknown_iid) || same_uid(iid, IPluginFactory_iid) ||
                           same_uid(iid, IPluginFactory2_iid);
        *obj = known ? self : nullptr;
        return known ? kResultOk : kNoInterface;
    }
    static uint32_t VST3_API add_ref(void*) { return 1; }
    static uint32_t VST3_API release(void*) { return 1; }

    static tresult VST3_API get_factory_info(void*, PFactoryInfo* info) {
        if (info == nullptr) {
            return kInvalidArgument;
        }
        fill_factory_info(*info);
        return kResultOk;
    }
    static int32_t VST3_API count_classes(void*) { return 1; }
    static tresult VST3_API get_class_info(void*, int32_t index, PClassInfo* info) {
        if (index != 0 || info == nullptr) {
            return kInvalidArgument;
        }
        fill_class_info(*info);
        return kResultOk;
    }
    static tresult VST3_API get_class_info2(void*, int32_t index, PClassInfo2* info) {
        if (index != 0 || info == nullptr) {
            return kInvalidArgument;
        }
        fill_class_info2(*info);
        return kResultOk;
    }
    static tresult VST3_API create_instance(void*, FIDString cid, FIDString iid, void** obj) {
        if (obj == nullptr) {
            return kInvalidArgument;
        }
        *obj = nullptr;
        if (!same_uid(cid, kComponentCid)) {
            return kNoInterface;
        }
        try {
            auto* instance = new Instance(Shipped::services(), &Shipped::make_form);
            const tresult found = instance->query(iid, obj);
            instance->release(); // the creation's own reference
            return found;
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "Tonvo: no instance made: %s\n", failure.what());
        } catch (...) {
            std::fprintf(stderr, "Tonvo: no instance made\n");
        }
        return kInternalError;
    }

    static constexpr IPluginFactory2Vtbl kVtbl{&query_interface,  &add_ref,        &release,
                                               &get_factory_info, &count_classes,  &get_class_info,
                                               &create_instance,  &get_class_info2};
    static inline IPluginFactory2 factory{&kVtbl};
};

} // namespace tonvo::vst3
