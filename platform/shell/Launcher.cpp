#include "Launcher.h"

#include "FolderDropTarget.h"
#include "UriPath.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    using namespace win32;

    // The launcher file is the user's own, but small: anything larger is not one.
    constexpr std::size_t kMaxLauncherSize = 1 << 20;

    std::string_view Trim(std::string_view text)
    {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
            text.remove_suffix(1);
        return text;
    }

    std::string UnescapeValue(std::string_view value)
    {
        std::string out;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] != '\\' || i + 1 == value.size()) {
                out += value[i];
                continue;
            }
            switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                out += value[i];
                break;
            }
        }
        return out;
    }

    // The Exec line split into arguments; nothing for an unclosed quote.
    std::optional<std::vector<std::string>> SplitExec(std::string_view exec)
    {
        std::vector<std::string> arguments;
        std::string current;
        bool inArgument = false;
        for (std::size_t i = 0; i < exec.size(); ++i) {
            const char c = exec[i];
            if (c == ' ' || c == '\t') {
                if (inArgument)
                    arguments.push_back(std::exchange(current, {}));
                inArgument = false;
                continue;
            }
            inArgument = true;
            if (c != '"') {
                current += c;
                continue;
            }
            // A quoted part: \" \` \$ \\ stand for the character itself.
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                if (exec[i] == '"')
                    break;
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                current += exec[i];
            }
        }
        if (inArgument)
            arguments.push_back(current);
        return arguments;
    }

    std::string ReadSmallFile(const BytePath& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::string text(kMaxLauncherSize + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        return text.size() > kMaxLauncherSize ? std::string() : text;
    }

    // Starts `command` apart from this process (its arguments as bytes, so names that are not
    // UTF-8 arrive whole): a child starts the program as its own child and ends at once, so
    // nothing is left for us to wait for.
    bool RunDetached(const std::vector<std::string>& command)
    {
        std::vector<char*> argv;
        for (const std::string& argument : command)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return false;
        const pid_t child = ::fork();
        if (child < 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return false;
        }
        if (child == 0) {
            ::close(ready[0]);
            if (::fork() == 0) {
                ::setsid();
                ::execvp(argv[0], argv.data());
                // Tells the waiting parent that the program could not be started.
                const char failed = 1;
                (void)!::write(ready[1], &failed, 1);
                ::_exit(127);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        // The pipe closes on a successful exec; a byte arrives when it failed.
        char failed = 0;
        ssize_t got = 0;
        while ((got = ::read(ready[0], &failed, 1)) < 0 && errno == EINTR) { }
        ::close(ready[0]);
        return got == 0;
    }

} // namespace

std::optional<std::string> DesktopEntryExec(std::string_view text)
{
    bool inEntry = false;
    bool application = false;
    std::optional<std::string> exec;
    std::istringstream lines { std::string(text) };
    for (std::string raw; std::getline(lines, raw);) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Type")
            application = value == "Application";
        else if (key == "Exec")
            exec = UnescapeValue(value);
    }
    if (!application || !exec || exec->empty())
        return std::nullopt;
    return exec;
}

std::vector<std::vector<std::string>> ExpandExec(
    std::string_view exec, const std::vector<BytePath>& paths)
{
    const auto arguments = SplitExec(exec);
    if (!arguments || arguments->empty())
        return {};
    bool perFile = false;
    for (const std::string& argument : *arguments)
        perFile = perFile || argument.find("%f") != std::string::npos
            || argument.find("%u") != std::string::npos;
    // One run per file for %f and %u; else one run with all of them.
    const std::size_t runs = perFile ? paths.size() : 1;
    std::vector<std::vector<std::string>> commands;
    for (std::size_t run = 0; run < runs; ++run) {
        std::vector<std::string> command;
        for (const std::string& argument : *arguments) {
            if (argument == "%F" || argument == "%U") {
                for (const BytePath& path : paths)
                    command.push_back(argument == "%F" ? path : FileUri(path));
                continue;
            }
            std::string expanded;
            bool dropped = false;
            for (std::size_t i = 0; i < argument.size(); ++i) {
                if (argument[i] != '%' || i + 1 == argument.size()) {
                    expanded += argument[i];
                    continue;
                }
                const char code = argument[++i];
                if (code == '%')
                    expanded += '%';
                else if (code == 'f' && run < paths.size())
                    expanded += paths[run];
                else if (code == 'u' && run < paths.size())
                    expanded += FileUri(paths[run]);
                else
                    dropped = true; // a field code without a value here
            }
            if (!expanded.empty() || !dropped)
                command.push_back(expanded);
        }
        if (!command.empty())
            commands.push_back(std::move(command));
    }
    return commands;
}

LauncherDropTarget* LauncherDropTarget::Create(BytePath launcher)
{
    return new LauncherDropTarget(std::move(launcher));
}

LauncherDropTarget::LauncherDropTarget(BytePath launcher)
    : m_launcher(std::move(launcher))
{
}

HRESULT LauncherDropTarget::DragEnter(IDataObject_NRC* data, DWORD, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    m_entered = ReadDataObject(data).has_value();
    *effect = m_entered ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT LauncherDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    *effect = m_entered ? (*effect & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT LauncherDropTarget::DragLeave()
{
    m_entered = false;
    return S_OK;
}

HRESULT LauncherDropTarget::Drop(IDataObject_NRC* data, DWORD, POINTL, DWORD* effect)
{
    if (effect == nullptr)
        return E_INVALIDARG;
    m_entered = false;
    const auto transfer = ReadDataObject(data);
    *effect &= DROPEFFECT_COPY;
    if (!transfer || *effect == DROPEFFECT_NONE) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    const auto exec = DesktopEntryExec(ReadSmallFile(m_launcher));
    const auto commands
        = exec ? ExpandExec(*exec, transfer->Paths) : decltype(ExpandExec("", {})) {};
    if (commands.empty())
        return E_FAIL;
    for (const auto& command : commands)
        if (!RunDetached(command))
            return E_FAIL;
    return S_OK;
}

} // namespace sondrel::platform
