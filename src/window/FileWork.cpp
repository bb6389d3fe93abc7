#include "window/FileWork.h"

#include "window/Program.h"

namespace zarava {

struct FileWork::Chain {
    Program& program;
    Settings settings;
    std::vector<Step> steps;
    std::size_t next = 0;
    bool retried = false;
};

FileWork::FileWork(Program& program, Settings settings)
    : chain_(std::make_shared<Chain>(Chain{program, std::move(settings), {}, 0, false})) {}

void FileWork::Add(Step step) {
    chain_->steps.push_back(std::move(step));
}

void FileWork::Then(std::function<void(SettingsSnapshot&)> step) {
    Add([step = std::move(step)](const Settings& settings, bool) {
        step(*settings);
        return true;
    });
}

void FileWork::WriteSetting(std::string section, std::string key, std::string value) {
    Program& program = chain_->program;
    Then([&program, section = std::move(section), key = std::move(key), value = std::move(value)](
             SettingsSnapshot& settings) { program.WriteSetting(settings, section, key, value); });
}

void FileWork::Submit() {
    if (chain_->steps.empty()) {
        return;
    }
    chain_->program.files.Submit([chain = chain_] { Run(chain); });
}

void FileWork::Run(const std::shared_ptr<Chain>& chain) {
    if (!chain->settings) {
        chain->settings = chain->program.SettingsForFileWork();
    }
    for (; chain->next < chain->steps.size(); ++chain->next) {
        if (!chain->steps[chain->next](chain->settings, chain->retried)) {
            chain->program.files.SubmitAfter(SettingsSnapshot::kRetryPauseMs, [chain] {
                chain->retried = true;
                chain->settings->TakeRetryRead();
                Run(chain);
            });
            return;
        }
    }
}

} // namespace zarava
