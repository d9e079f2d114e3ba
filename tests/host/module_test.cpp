// The framework's module behaviour that a host cannot see directly: configuration layers,
// handler binding, the editor requests with an editor form, chunk handlers and their failures.
#include "formats/vst2/vst_module.h"
#include "support/fake_host.h"
#include "support/host_calls.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

namespace tonvo {
namespace {

using test::FakeHost;

// The message of the framework error `work` throws, or "none".
template <typename Work>
std::string vst_error(Work work) {
    try {
        work();
    } catch (const EVstError& failed) {
        return failed.what();
    }
    return "none";
}

class FakeForm : public ModuleEditor {
public:
    int width() const override { return 300; }
    int height() const override { return 120; }
    void open(void* parent) override {
        shownIn = parent;
        if (failToShow) {
            throw std::runtime_error("no window");
        }
    }
    void idle() override { ++idles; }
    void* shownIn = nullptr;
    bool failToShow = false;
    int idles = 0;
};

// Two programs, one parameter, chunk handlers that count and can be told to fail.
class TestModule : public TVSTModule {
public:
    int loads = 0;
    int stores = 0;
    int idles = 0;
    bool failLoad = false;
    bool failCreate = false;
    // Extra entries for the own layer, to try bindings that name nothing.
    std::vector<std::pair<std::string, std::string>> extraHandlers;
    std::string storeHandler = "Store";

protected:
    std::vector<ModuleDescription> Descriptions() const override {
        ModuleDescription base;
        base.EffectName = "Base Name";
        base.VendorName = "Base Vendor";
        base.Handlers = {{"OnEditIdle", "Idle"}, {"OnCreate", "Create"}};
        ModuleDescription own;
        own.EffectName = "Own Name";
        own.Flags = effFlagsHasEditor | effFlagsProgramChunks;
        own.Programs = std::vector<ProgramDescription>{{"One", "Load", storeHandler},
                                                       {"Two", "Load", storeHandler}};
        ParameterDescription gain;
        gain.DisplayName = "gain";
        own.Parameters = std::vector<ParameterDescription>{gain};
        own.Handlers = {{"OnGetChunkParameter", "ChunkParameter"}};
        own.Handlers.insert(own.Handlers.end(), extraHandlers.begin(), extraHandlers.end());
        return {base, own};
    }
    std::span<const HandlerBinding> HandlerTable() const override {
        using Self = TestModule;
        static constexpr HandlerBinding kHandlers[] = {
            module_handler<&Self::OnEditIdle, &Self::Idle>("OnEditIdle", "Idle"),
            module_handler<&Self::OnCreate, &Self::Create>("OnCreate", "Create"),
            module_handler<&Self::OnGetChunkParameter, &Self::ChunkParameter>("OnGetChunkParameter",
                                                                              "ChunkParameter"),
            program_handler<&TVstProgram::OnLoadChunk, &Self::Load>("OnLoadChunk", "Load"),
            program_handler<&TVstProgram::OnStoreChunk, &Self::Store>("OnStoreChunk", "Store"),
            method_handler("OnProcessMidi", "ProcessMidi"),
        };
        return kHandlers;
    }

private:
    void Idle() { ++idles; }
    void Create() {
        if (failCreate) {
            throw std::runtime_error("create failed");
        }
    }
    float ChunkParameter(int32_t) { return 0.25f; }
    void Load(TVstProgram&, int32_t, bool) {
        ++loads;
        if (failLoad) {
            throw std::runtime_error("bad chunk");
        }
    }
    void Store(TVstProgram& program, int32_t index, bool) {
        ++stores;
        program.Chunk.Clear();
        program.Chunk.WriteByte(static_cast<uint8_t>('A' + index));
    }
};

class Module : public testing::Test {
protected:
    Module() { module->AttachHostCallback(&FakeHost::Callback); }
    intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return module->Dispatcher(opcode, index, value, ptr, 0.0f);
    }
    // Editor forms for the module, made failing to show when `failToShow`.
    void GiveEditor(bool failToShow = false) {
        module->EditorFormClass = [this, failToShow](TCustomVSTModule&) {
            auto made = std::make_unique<FakeForm>();
            made->failToShow = failToShow;
            form = made.get();
            return made;
        };
    }

    FakeHost host;
    std::unique_ptr<TestModule> module = TVSTModule::Create<TestModule>();
    FakeForm* form = nullptr;
    int parent = 0;
};

TEST_F(Module, LaterLayersOverrideAndHandlersBindByName) {
    EXPECT_EQ(module->EffectName(), "Own Name");
    EXPECT_EQ(module->VendorName(), "Base Vendor");
    EXPECT_EQ(module->Effect()->numPrograms, 2);
    EXPECT_EQ(module->Effect()->numParams, 1);
    EXPECT_EQ(module->CurrentProgram(), 0);
    EXPECT_TRUE(module->OnEditIdle);
    EXPECT_TRUE(module->Program(1).OnStoreChunk);
    EXPECT_FALSE(module->OnResume);
}

// A name that reaches no handler, as event, as handler or as a program's handler, stops the
// construction and says which binding it was; a failing create handler is only reported.
TEST_F(Module, ABindingThatNamesNothingFailsTheConstructionAndAFailingCreateDoesNot) {
    struct Misnamed : TestModule {
        Misnamed(std::string event, std::string handler, std::string store) {
            if (!event.empty()) {
                extraHandlers = {{std::move(event), std::move(handler)}};
            }
            storeHandler = std::move(store);
        }
    };
    const auto failure = [](std::string event, std::string handler, std::string store) {
        return vst_error([&] {
            TVSTModule::Create<Misnamed>({}, std::move(event), std::move(handler),
                                         std::move(store));
        });
    };
    EXPECT_EQ(failure("OnEditIdle", "Idel", "Store"),
              "Unknown handler binding: OnEditIdle -> Idel");
    EXPECT_EQ(failure("OnResume", "Idle", "Store"), "Unknown handler binding: OnResume -> Idle");
    EXPECT_EQ(failure("OnEditIdle", "Load", "Store"), "Unknown handler binding: OnEditIdle -> Load")
        << "a program's handler is no module handler";
    EXPECT_EQ(failure("", "", "Stor"), "Unknown handler binding: OnStoreChunk -> Stor");
    EXPECT_EQ(failure("", "", "Store"), "none");
    // An audio event is a virtual method; its binding only names the overriding handler, and
    // a name the class does not offer fails the same way.
    EXPECT_EQ(failure("OnProcessMidi", "ProcessMidi", "Store"), "none");
    EXPECT_EQ(failure("OnProcessMidi", "ProcesMidi", "Store"),
              "Unknown handler binding: OnProcessMidi -> ProcesMidi");

    struct Failing : TestModule {
        Failing() { failCreate = true; }
    };
    std::string reported;
    auto failing = TVSTModule::Create<Failing>([&](const std::string& text) { reported = text; });
    EXPECT_EQ(reported, "create failed");
    EXPECT_EQ(failing->EffectName(), "Own Name");
}

TEST_F(Module, EditorIdleRunsOnlyWithAFormAndTheFlagSetAndTheRectangleGrowsToTheForm) {
    ERect* rect = nullptr;
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &rect), 0);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 64) << "no size handler: the default";
    EXPECT_EQ(rect->bottom, 32);
    module->SetEditorNeedUpdate();
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 0);
    EXPECT_TRUE(module->EditorNeedUpdate()) << "kept while no editor is open";

    GiveEditor();
    EXPECT_EQ(Call(effEditOpen, 0, 0, nullptr), 0) << "no parent window";
    EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(form->shownIn, &parent);
    EXPECT_EQ(Call(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 300);
    EXPECT_EQ(rect->bottom, 120);
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 1);
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 1) << "the flag was consumed";

    uint8_t chunk[] = {1, 2, 3};
    Call(effSetChunk, 1, 3, chunk);
    Call(effEditIdle);
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 2) << "a chunk load shows once";
    module->SetParameter(0, 0.5f);
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 3) << "a parameter store shows too";

    EXPECT_EQ(Call(effEditClose), 0);
    EXPECT_EQ(module->EditorForm(), nullptr);
    GiveEditor(true);
    EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1) << "a failure to show is swallowed";
}

TEST_F(Module, AnIdleCallFromAnotherThreadRunsNothingAndAFlagSetMeanwhileShowsNextTime) {
    GiveEditor();
    Call(effEditOpen, 0, 0, &parent);
    module->SetEditorNeedUpdate();
    std::thread([this] { EXPECT_EQ(Call(effEditIdle), 0); }).join();
    EXPECT_EQ(module->idles, 0);
    EXPECT_EQ(form->idles, 0);
    EXPECT_TRUE(module->EditorNeedUpdate());
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 1);
    EXPECT_EQ(form->idles, 1);

    // The audio thread flags a change while the editor is busy with the previous one: it is
    // shown next time.
    module->idles = 0;
    module->OnEditIdle = [this] {
        if (++module->idles == 1) {
            module->SetEditorNeedUpdate();
        }
    };
    module->SetEditorNeedUpdate();
    Call(effEditIdle);
    Call(effEditIdle);
    Call(effEditIdle);
    EXPECT_EQ(module->idles, 2);
}

TEST_F(Module, BankLoadRunsTheCurrentProgramsHandlerOnceMore) {
    const std::vector<uint8_t> bank = test::chunk_of(module->Effect(), 0);
    ASSERT_EQ(bank.size(), 10u); // two programs: length 1 + 'A', length 1 + 'B'
    EXPECT_EQ(bank[4], 'A');
    EXPECT_EQ(bank[9], 'B');
    EXPECT_EQ(test::load_chunk(module->Effect(), bank, 0), 10);
    EXPECT_EQ(module->loads, 3);
}

TEST_F(Module, RefusedChunksChangeNothing) {
    uint8_t bank[] = {1, 0, 0, 0, 'x', 5, 0, 0, 0, 'y'}; // the second length runs past the data
    EXPECT_EQ(Call(effSetChunk, 0, sizeof bank, bank), 0);
    EXPECT_EQ(Call(effSetChunk, 0, 3, bank), 0) << "shorter than one length field";
    EXPECT_EQ(Call(effSetChunk, 1, -1, bank), 0);
    EXPECT_EQ(Call(effSetChunk, 1, TVSTModuleWithPrograms::kMaxChunkBytes + 1, bank), 0);
    EXPECT_EQ(module->loads, 0);
    EXPECT_FALSE(module->EditorNeedUpdate());

    uint8_t good[] = {7, 7};
    ASSERT_EQ(Call(effSetChunk, 1, 2, good), 2);
    module->failLoad = true;
    module->ConsumeEditorNeedUpdate();
    EXPECT_THROW(Call(effSetChunk, 1, 2, bank), std::runtime_error);
    EXPECT_EQ(module->Program(0).Chunk.Size(), 2u) << "the program keeps its previous bytes";
    EXPECT_EQ(module->Program(0).Chunk.Data()[0], 7);
    EXPECT_FALSE(module->EditorNeedUpdate());
}

TEST_F(Module, ThroughTheRecordFailuresAnswerZeroAndAreReported) {
    std::vector<std::string> forwarded;
    module->OnExceptionReport = [&](const std::string& text) { forwarded.push_back(text); };
    AEffect* effect = module->Effect();
    module->failLoad = true;
    uint8_t chunk[] = {1};
    EXPECT_EQ(effect->dispatcher(effect, effSetChunk, 1, 1, chunk, 0.0f), 0);
    EXPECT_EQ(module->LastReportedException(), "dispatcher: bad chunk");
    EXPECT_EQ(effect->dispatcher(effect, effString2Parameter, 5, 0, chunk, 0.0f), 0);
    EXPECT_EQ(module->LastReportedException(), "dispatcher: Index out of bounds (5)");

    module->OnParameterChange = [](int32_t, float&) { throw std::runtime_error("no store"); };
    module->OnGetChunkParameter = [](int32_t) -> float { throw std::runtime_error("no read"); };
    EXPECT_NO_THROW(effect->setParameter(effect, 0, 0.5f));
    EXPECT_EQ(module->LastReportedException(), "setParameter: no store");
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f);
    EXPECT_EQ(module->LastReportedException(), "getParameter: no read");

    GiveEditor(true);
    EXPECT_EQ(Call(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(module->LastReportedException(), "effEditOpen: no window");

    EXPECT_EQ(module->ReportedExceptions(), 5u);
    EXPECT_EQ(forwarded, (std::vector<std::string>{"bad chunk", "Index out of bounds (5)",
                                                   "no store", "no read", "no window"}));
}

TEST_F(Module, ParametersByNameAndTheirFailures) {
    host.Forget();
    module->SetParameterByName("gain", 0.5f);
    ASSERT_EQ(host.CountCalls(audioMasterAutomate), 1u);
    EXPECT_EQ(host.Calls().back().Opt, 0.5f);
    EXPECT_EQ(vst_error([&] { module->SetParameterByName("Gain", 0.5f); }),
              "Unknown parameter name: Gain");
    EXPECT_EQ(vst_error([&] { module->StoreParameter(3, 0.5f); }), "Index out of bounds (3)");
    EXPECT_EQ(module->GetParameterDisplay(0), "0.25");
    EXPECT_EQ(module->GetParameterDisplay(1), "undefined");
}

TEST_F(Module, TextsForTheHostFitItsBuffersAndKeepWholeCharacters) {
    // What the host's buffer holds after a request, and how many of its bytes were written.
    const auto written = [this](int32_t opcode, int32_t index = 0) {
        std::string buffer(100, '\x7F');
        Call(opcode, index, 0, buffer.data());
        return std::make_pair(std::string(buffer.c_str()), buffer.find_last_not_of('\x7F') + 1);
    };
    using WrittenChunks = std::pair<std::string, size_t>;
    EXPECT_EQ(written(effGetParamName, 5), WrittenChunks("undefin", 8));
    EXPECT_EQ(written(effGetParamLabel, 5), WrittenChunks("undefin", 8));
    EXPECT_EQ(written(effGetParamDisplay, 5), WrittenChunks("undefin", 8));
    // "é" takes the 23rd and 24th bytes; the 24-byte buffer has room for 23 and the zero.
    module->SetCurrentProgramName(std::string(22, 'p') + "\xC3\xA9" + std::string(20, 'q'));
    EXPECT_EQ(written(effGetProgramName), WrittenChunks(std::string(22, 'p'), 23));
    EXPECT_EQ(written(effGetProgramNameIndexed), WrittenChunks(std::string(22, 'p'), 23));
    module->SetEffectName(std::string(40, 'e'));
    EXPECT_EQ(written(effGetEffectName), WrittenChunks(std::string(31, 'e'), 32));
    EXPECT_EQ(written(effGetProductString), WrittenChunks(std::string(40, 'e'), 41));
    module->SetVendorName(std::string(70, 'v'));
    EXPECT_EQ(written(effGetVendorString), WrittenChunks(std::string(63, 'v'), 64));
}

TEST_F(Module, SwitchingProgramsTellsHostAndEditor) {
    host.Forget();
    Call(effSetProgram, 0, 1);
    EXPECT_EQ(module->CurrentProgram(), 1);
    EXPECT_EQ(host.CountCalls(audioMasterUpdateDisplay), 1u);
    EXPECT_TRUE(module->ConsumeEditorNeedUpdate());
    Call(effSetProgram, 0, 1);
    Call(effSetProgram, 0, 2);
    EXPECT_EQ(host.CountCalls(audioMasterUpdateDisplay), 1u);
    module->SetCurrentProgramName("Renamed");
    EXPECT_EQ(module->Program(1).DisplayName(), "Renamed");
    EXPECT_EQ(host.CountCalls(audioMasterUpdateDisplay), 2u);
}

TEST_F(Module, CloseRunsItsStepsInOrderAndDestroysTheModule) {
    std::vector<std::string> steps;
    TestModule* raw = module.release(); // the close request deletes it
    raw->OnClose = [&] { steps.push_back("close"); };
    raw->OnDestroy = [&, raw] {
        steps.push_back(raw->ProgramCount() == 0 ? "destroy after programs" : "destroy too early");
    };
    AEffect* effect = raw->Effect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(steps, (std::vector<std::string>{"close", "destroy after programs"}));

    auto failing = TVSTModule::Create<TestModule>();
    failing->OnDestroy = [] { throw std::runtime_error("destroy failed"); };
    effect = failing.release()->Effect();
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 0);
}

// A dialog's loop inside one of the host's calls lets the host's timers close the instance:
// the module stays until that call has returned, and the host hears nothing from it after the
// close. A module whose windows are still under way postpones its destruction further.
TEST_F(Module, ACloseInsideAnotherCallWaitsUntilNothingOfTheModuleRuns) {
    GiveEditor();
    std::vector<std::string> steps;
    TestModule* raw = module.release();
    AEffect* effect = raw->Effect();
    raw->OnDestroy = [&] { steps.push_back("destroyed"); };
    effect->dispatcher(effect, effEditOpen, 0, 0, &parent, 0.0f);
    raw->OnEditIdle = [&, raw, effect] {
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
        steps.push_back(raw->ProgramCount() == 2 ? "the call goes on" : "gone too early");
        host.Forget();
        raw->CallAudioMaster(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
        EXPECT_EQ(host.Calls().size(), 0u) << "the host let the instance go";
        EXPECT_EQ(effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f), 0);
    };
    raw->SetEditorNeedUpdate();
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(steps, (std::vector<std::string>{"the call goes on", "destroyed"}));

    struct Postponing : TestModule {
        std::function<void()>* kept = nullptr;
        bool PostponeDestruction(std::function<void()>& work) override {
            *kept = std::move(work);
            return true;
        }
    };
    std::function<void()> kept;
    auto postponing = TVSTModule::Create<Postponing>();
    postponing->kept = &kept;
    steps.clear();
    postponing->OnDestroy = [&] { steps.push_back("destroyed"); };
    effect = postponing.release()->Effect();
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(steps.empty());
    ASSERT_TRUE(kept);
    kept();
    EXPECT_EQ(steps, (std::vector<std::string>{"destroyed"}));
}

TEST(ModuleBasics, VersionNumbersAndFourCharacterCodes) {
    TCustomVSTModule module;
    module.SetVersion(1, 0, 0);
    EXPECT_EQ(module.VersionNumber(), 1000);
    module.SetVersion(2, 3, 150);
    EXPECT_EQ(module.VersionNumber(), 150 + 2 * 65536 + 3 * 256);
    EXPECT_EQ(four_char_code("qv08"), 0x71763038);
    EXPECT_EQ(four_char_code("ab"), 0x61620000);
    EXPECT_TRUE(TBasicVSTModule::IsSpecialHostProduct("energyXT"));
    EXPECT_TRUE(TBasicVSTModule::IsSpecialHostProduct("Forge Pro 10"));
    EXPECT_FALSE(TBasicVSTModule::IsSpecialHostProduct(""));
    EXPECT_FALSE(TBasicVSTModule::IsSpecialHostProduct("energyXT 2"));
}

} // namespace
} // namespace tonvo
