// The last framework level: applies a module's declared configuration at construction and
// answers every dispatcher request, one named method per opcode.
//
// Construction goes through Create: the class chain's constructors, then the configuration
// layers, then OnCreate. A layer's handler names are looked up in the module class's handler
// table; a name the table does not list fails the construction with EVstError. A failing
// OnCreate is reported and construction goes on.
#pragma once

#include "formats/vst2/dsp_module.h"
#include "formats/vst2/handler_binding.h"
#include "formats/vst2/module_description.h"

#include <memory>
#include <span>
#include <string_view>

namespace tonvo {

class TVSTModule : public TDspVSTModule {
public:
    using ExceptionReport = std::function<void(const std::string& message)>;

    template <typename Module, typename... Args>
    static std::unique_ptr<Module> Create(ExceptionReport report = {}, Args&&... args) {
        auto module = std::make_unique<Module>(std::forward<Args>(args)...);
        module->OnExceptionReport = std::move(report);
        module->ApplyConfiguration();
        module->RunOnCreate();
        return module;
    }

    intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;
    void PrepareClose() override;
    // Programs, parameters and an open editor form go first; OnDestroy runs after them, so it
    // must not use any of them. A failing OnDestroy is reported and answers false.
    bool Destroy() override;

    // Called with the message of every reported failure (see ReportException), on the thread
    // that caught it, which may be the audio thread. For tools and tests; the plug-in's own
    // entry leaves it empty.
    ExceptionReport OnExceptionReport;

    // Records the failure, then hands its message to OnExceptionReport when one is set.
    void ReportException(const char* where, const char* message) noexcept override;

protected:
    // The configuration layers of the concrete class, base layer first.
    virtual std::vector<ModuleDescription> Descriptions() const { return {}; }
    // Every handler the class offers its descriptions (see host/handler_binding.h). A derived
    // class that adds handlers returns one table holding its base's rows and its own.
    virtual std::span<const HandlerBinding> HandlerTable() const { return {}; }

    intptr_t EffOpen();

private:
    void ApplyConfiguration();
    void ApplyLayer(const ModuleDescription& layer);
    // The table's row for that event and handler name; fails when there is none.
    const HandlerBinding& FindHandler(std::string_view event, std::string_view handler,
                                      bool forProgram) const;
    void RunOnCreate();
};

} // namespace tonvo
