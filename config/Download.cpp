#include "config/Download.h"

#include "platform/DynamicLibrary.h"
#include "platform/ForeignCall.h"
#include "platform/Hooks.h"
#include "platform/LibraryKind.h"
#include "platform/Paths.h"

#include <algorithm>

TDownload::TDownload()
{
    auto library = platform::LoadOrShowError(downloadapi::LIBRARY_NAME);
    if (!library)
        return;
    // Only two entry points are called, but a library without all of them is not the one
    // this program was made for.
    std::array<void*, downloadapi::ENTRY_COUNT> entries{};
    for (int i = 0; i < downloadapi::ENTRY_COUNT; ++i) {
        entries[i] = library->Resolve(downloadapi::ENTRY_NAMES[i]);
        if (!entries[i]) {
            platform::ShowErrorDialog("load QELVANO_DOWNLOAD.DLL fail. Cannot find all of desired API");
            return; // `library` is released here
        }
    }
    m_Entries = entries;
    m_LastError = library->ResolveAs<QELVANO_DownloadLastError_t>(downloadapi::LAST_ERROR_NAME);
    m_ProgrammerOutput = library->ResolveAs<QELVANO_DownloadLastOutput_t>(downloadapi::PROGRAMMER_OUTPUT_NAME);
    m_Cancel = library->ResolveAs<QELVANO_DownloadCancel_t>(downloadapi::CANCEL_NAME);
    m_DownloadCable = library->ResolveAs<QELVANO_JtagDownloadCable_t>(downloadapi::JTAG_DOWNLOAD_CABLE_NAME);
    m_Library = std::move(library);
}

TDownload::~TDownload() = default;

bool TDownload::IsLoaded() const { return m_Library != nullptr; }

double TDownload::GetQuartusVersion() const
{
    if (!m_Library)
        return 0.0;
    const auto getVersion
        = reinterpret_cast<QELVANO_GetQuatusVersion_t>(m_Entries[downloadapi::GET_QUARTUS_VERSION_SLOT]);
    return platform::CallForeign(getVersion);
}

bool TDownload::DownloadImage(const std::string& path, std::int32_t time, std::uint8_t a, std::int32_t b,
    std::int32_t c, std::uint8_t d, std::uint8_t e) const
{
    if (!m_Library)
        return false;
    const std::string libraryPath = platform::LibraryPathText(path);
    m_CableError.clear();
    m_CableErrorKind = downloadapi::LAST_ERROR_OTHER;
    // Our library's own entry gives this call's reason to us rather than to standard error,
    // and takes an empty cable for the library's choice.
    if (m_DownloadCable) {
        char why[4096] = {};
        const std::int32_t result =
            m_DownloadCable(m_Cable.c_str(), libraryPath.c_str(), time, why, sizeof why, &m_CableErrorKind);
        why[sizeof why - 1] = '\0';
        m_CableError = why;
        return (result & 0xFF) != 0;
    }
    const auto download = reinterpret_cast<QELVANO_JtagDownload_t>(m_Entries[downloadapi::JTAG_DOWNLOAD_SLOT]);
    const std::int32_t result = platform::CallForeign(download, libraryPath.c_str(), time, a, b, c, d, e);
    return (result & 0xFF) != 0;
}

std::string TDownload::LastError() const
{
    if (!m_CableError.empty())
        return m_CableError;
    if (!m_Library || !m_LastError)
        return {};
    char text[4096] = {};
    if (platform::CallForeign(m_LastError, text, std::int32_t(sizeof text)) == 0)
        return {};
    text[sizeof text - 1] = '\0';
    return text;
}

bool TDownload::LastErrorConcernsImage() const
{
    if (!m_CableError.empty())
        return m_CableErrorKind == downloadapi::LAST_ERROR_IMAGE;
    char text[2] = {};
    return m_Library && m_LastError && m_LastError(text, sizeof text) == downloadapi::LAST_ERROR_IMAGE;
}

std::string TDownload::ProgrammerOutput() const
{
    if (!m_Library || !m_ProgrammerOutput)
        return {};
    std::string output(65536, '\0');
    const std::int32_t length
        = platform::CallForeign(m_ProgrammerOutput, output.data(), static_cast<std::int32_t>(output.size()));
    output.resize(static_cast<std::size_t>(std::clamp<std::int32_t>(length, 0, std::int32_t(output.size()) - 1)));
    return output;
}

bool TDownload::Cancel() const { return m_Library && m_Cancel && m_Cancel() != 0; }
