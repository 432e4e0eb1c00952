#include "platform/fake/FakeDesktop.h"

#include "platform/portable/ProfileReader.h"
#include "ui/Form.h"

namespace autorun {

std::string FakeDesktop::ReadProfileString(std::string_view section, std::string_view key,
                                           std::string_view defaultValue, std::size_t bufferSize,
                                           std::string_view file)
{
    const auto found = files.find(std::string(file));
    const std::string_view bytes = found == files.end() ? std::string_view() : std::string_view(found->second);
    return profile::Lookup(bytes, section, key, defaultValue, bufferSize);
}

std::string FakeDesktop::ProgramFolder()
{
    if (programFolderFailure)
        throw *programFolderFailure;
    return programFolder;
}

ui::Size FakeDesktop::ScreenSize()
{
    if (screenFailure)
        throw *screenFailure;
    return screen;
}

ui::Size FakeDesktop::OuterSize(const ui::Window& window)
{
    return {window.Client().width + frame.width, window.Client().height + frame.height};
}

std::string FakeDesktop::FindFile(std::string_view path)
{
    lookups.emplace_back(path);
    if (const auto failure = findFailures.find(std::string(path)); failure != findFailures.end())
        throw failure->second;
    const auto entry = disc.find(std::string(path));
    if (entry == disc.end() || entry->second != Entry::NormalFile)
        return {};
    return std::string(path.substr(path.rfind('\\') + 1));
}

void FakeDesktop::StartProgram(std::string_view path)
{
    if (startFailure)
        throw *startFailure;
    startedPrograms.emplace_back(path);
}

void FakeDesktop::BrowseFolder(std::string_view folder)
{
    if (browseFailure)
        throw *browseFailure;
    browsedFolders.emplace_back(folder);
}

void FakeDesktop::OpenDocument(const ui::Window& owner, std::string_view path)
{
    if (openFailure)
        throw *openFailure;
    openedDocuments.push_back({owner.Name(), std::string(path)});
}

void FakeDesktop::ShowMessage(const ui::Window& owner, std::string_view text)
{
    messages.push_back({owner.Name(), std::string(text)});
    if (whileMessage)
        whileMessage(text);
}

void FakeDesktop::ShowModal(Form& form)
{
    modalShowings.push_back(form.Window().Title());
    if (whileModal)
        whileModal(form);
}

int FakeDesktop::Run(Form& form)
{
    if (whileRunning)
        whileRunning(form);
    return 0;
}

void FakeDesktop::EndWithReport(std::string_view report)
{
    throw ProgramEnded{std::string(report)};
}

} // namespace autorun
