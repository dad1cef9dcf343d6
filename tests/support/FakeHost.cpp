#include "support/FakeHost.h"

namespace vexmoor::test {

std::vector<std::string> FakeHost::BoxTexts() const
{
    std::vector<std::string> result;
    for (const auto& box : boxes) {
        result.push_back(box.text);
    }
    return result;
}

int FakeHost::RunModal()
{
    if (dialog_ != nullptr) {
        dialog_->AttachHost(this);
        dialog_->OnInitDialog();
    }
    if (whileModal) {
        whileModal(*this);
    }
    return endCode.value_or(platform::IDCANCEL);
}

std::string FakeHost::GetItemText(int id) const
{
    const auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
}

int FakeHost::GetCheck(int id) const
{
    const auto found = checks.find(id);
    return found == checks.end() ? 0 : found->second;
}

bool FakeHost::IsItemEnabled(int id) const
{
    const auto found = enabled.find(id);
    return found == enabled.end() || found->second;
}

bool FakeHost::SetTimer(std::uintptr_t id, std::uint32_t periodMs)
{
    timerRequests.push_back({id, periodMs});
    if (refuseTimers) {
        return false;
    }
    timers[id] = periodMs;
    return true;
}

bool FakeHost::KillTimer(std::uintptr_t id)
{
    timerKills.push_back(id);
    return timers.erase(id) != 0;
}

void FakeHost::MessageBox(std::string_view text, platform::BoxIcon icon)
{
    const RecordedBox box{std::string(text), icon};
    boxes.push_back(box);
    if (whileBoxOpen) {
        whileBoxOpen(box);
    }
}

void FakeHost::Click(int id)
{
    if (dialog_ != nullptr && IsItemEnabled(id)) {
        dialog_->OnCommand(id);
    }
}

void FakeHost::FireTimers()
{
    if (dialog_ == nullptr) {
        return;
    }
    // A tick may set or kill timers: each timer set when the round begins ticks once.
    std::vector<std::uintptr_t> current;
    for (const auto& [id, periodMs] : timers) {
        current.push_back(id);
    }
    for (const auto id : current) {
        dialog_->OnTimer(id);
    }
}

std::unique_ptr<platform::DialogHost> FakeFramework::CreateHost(
    const platform::DialogTemplate& dialogTemplate, platform::CDialog& dialog, platform::CDialog* owner)
{
    createdTemplates.push_back(dialogTemplate.id);
    owners.push_back(owner);
    auto host = std::make_unique<FakeHost>(&dialog);
    if (whileModal) {
        host->whileModal = [this, &dialogTemplate](FakeHost& h) { whileModal(h, dialogTemplate); };
    }
    return host;
}

} // namespace vexmoor::test
