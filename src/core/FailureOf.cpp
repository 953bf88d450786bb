#include "FailureOf.h"

#include "DocFormatError.h"
#include "FileIo.h"
#include "HttpProt.h"
#include "ProfileFile.h"

#include <cerrno>
#include <new>

namespace verdane::core {

Failure InstallNameFailure(InstallNameFault fault, const QString& name) {
    switch (fault) {
    case InstallNameFault::HasPath: return {FailureCode::InstallNameHasPath, name.toStdString()};
    case InstallNameFault::HasExtension: return {FailureCode::InstallNameHasExtension, name.toStdString()};
    case InstallNameFault::Empty:
    case InstallNameFault::None: break;
    }
    return {FailureCode::InstallNameEmpty};
}

Failure FailureOf(const platform::EFileError& e) {
    switch (e.Op) {
    case platform::FileOp::Open: return {FailureCode::FileOpen, e.Path, {}, e.Error};
    case platform::FileOp::Read: return {FailureCode::FileRead, e.Path, {}, e.Error};
    case platform::FileOp::Shortened: return {FailureCode::FileShortened, e.Path, {}, 0};
    case platform::FileOp::Write: return {FailureCode::FileWrite, e.Path, {}, e.Error};
    case platform::FileOp::TooLarge: return {FailureCode::FileTooLarge, e.Path, {}, e.Error};
    case platform::FileOp::CreateFolder: return {FailureCode::FolderCreate, e.Path, {}, e.Error};
    case platform::FileOp::TemporaryFolder: return {FailureCode::TemporaryFolder, {}, e.Path, e.Error};
    case platform::FileOp::Changed: return {FailureCode::TargetChanged, e.Path, {}, 0, e.Error == EEXIST ? 1 : 0};
    case platform::FileOp::NotRegular: return {FailureCode::NotRegularFile, e.Path, {}, e.Error};
    case platform::FileOp::Link: return {FailureCode::FolderIsLink, e.Path, {}, e.Error};
    case platform::FileOp::Foreign: return {FailureCode::FolderNotOwn, e.Path, {}, e.Error};
    case platform::FileOp::Other: break;
    }
    return {FailureCode::Internal, {}, e.what()};
}

Failure FailureOf(const EDocFormat& e, std::string subject) {
    const auto record = static_cast<long long>(e.Record);
    switch (e.Damage) {
    case DocDamage::TooShort: return {FailureCode::DocTooShort, std::move(subject), {}, 0, record};
    case DocDamage::NoRecords: return {FailureCode::DocNoRecords, std::move(subject)};
    case DocDamage::RecordListCut: return {FailureCode::DocRecordListCut, std::move(subject), {}, 0, record};
    case DocDamage::RecordOutside: return {FailureCode::DocRecordOutside, std::move(subject), {}, 0, record};
    case DocDamage::RecordOrder: return {FailureCode::DocRecordOrder, std::move(subject), {}, 0, record};
    case DocDamage::Record0Cut: return {FailureCode::DocRecord0Cut, std::move(subject)};
    case DocDamage::Record:
    case DocDamage::Other: break;
    }
    // The decoder's own sentence stays in the exception; the failure names the record.
    return {FailureCode::DocRecordDamaged, std::move(subject), {}, 0, record};
}

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A socket's error number (WinSock's numbers, as the socket layer gives them).
Failure SocketFailure(int error, const std::string& host, const std::string& text) {
    switch (error) {
    case WSAECONNREFUSED: return {FailureCode::Refused, host, {}, error};
    case WSAECONNRESET: return {FailureCode::Reset, host, {}, error};
    case WSAECONNABORTED: return {FailureCode::Aborted, host, {}, error};
    case WSAETIMEDOUT: return {FailureCode::TimedOut, host, {}, error};
    case 10051:
    case 10065: return {FailureCode::Unreachable, host, {}, error};
    case WSAEINTR: return {FailureCode::Cancelled};
    case WSAHOST_NOT_FOUND: return {FailureCode::HostNotFound, host, {}, error};
    case WSATRY_AGAIN: return {FailureCode::NameServerSilent, host, {}, error};
    case WSANO_DATA: return {FailureCode::NoAddress, host, {}, error};
    case WSANO_RECOVERY: return {FailureCode::NameLookup, host, {}, error};
    default: break;
    }
    return {FailureCode::NetworkError, host, text, error};
}

// A URL for a message: its control characters written as \xNN.
std::string EscapedUrl(const std::string& url) {
    std::string out;
    for (const char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Failure FailureOfRequest(const THttpCli& http, int timeoutMs) {
    THttpCli& client = const_cast<THttpCli&>(http);
    const TUrlParts url = ParseURL(http.Location().empty() ? http.URL : http.Location());
    const long long ms = timeoutMs;
    switch (http.FailureKind()) {
    case THttpFailure::None: break;
    case THttpFailure::Status:
        return {FailureCode::HttpStatus, url.Host, http.ReasonPhrase(), 0, http.StatusCode()};
    case THttpFailure::Cancelled: return {FailureCode::Cancelled};
    case THttpFailure::Socket: {
        if (http.Proxy.empty()) return SocketFailure(http.RequestDoneError(), url.Host, http.FailureText());
        // Through a proxy every connection goes to the proxy: a failure to
        // reach a host is the proxy's, and names it.
        const TUrlParts proxyUrl = ParseURL(http.Proxy);
        const std::string proxyHost = proxyUrl.Host.empty() ? http.Proxy : proxyUrl.Host;
        const std::string proxy = proxyHost + ':' + (proxyUrl.Port.empty() ? http.ProxyPort : proxyUrl.Port);
        Failure failure = SocketFailure(http.RequestDoneError(), proxyHost, http.FailureText());
        switch (failure.code) {
        case FailureCode::Refused:
        case FailureCode::HostNotFound:
        case FailureCode::NameServerSilent:
        case FailureCode::NoAddress:
        case FailureCode::NameLookup:
        case FailureCode::Unreachable:
        case FailureCode::TimedOut:
            return {FailureCode::ProxyUnreachable, proxy, failure.detail, failure.error,
                    static_cast<long long>(failure.code)};
        default: return SocketFailure(http.RequestDoneError(), url.Host, http.FailureText());
        }
    }
    case THttpFailure::Tls: return {FailureCode::Tls, url.Host, client.CtrlSocket().SslErrorText()};
    case THttpFailure::TlsVerify: return {FailureCode::TlsVerify, url.Host, client.CtrlSocket().SslVerifyError()};
    case THttpFailure::TimedOut: return {FailureCode::TimedOut, url.Host, {}, 0, ms};
    case THttpFailure::HeaderTimedOut: return {FailureCode::HeaderTimedOut, url.Host, {}, 0, ms};
    case THttpFailure::MaxTime: return {FailureCode::DownloadTooLong, url.Host, {}, 0, http.MaxTimeMs};
    case THttpFailure::TooManyRelocations: return {FailureCode::TooManyRelocations, http.Location()};
    case THttpFailure::UnsupportedScheme: return {FailureCode::UnsupportedScheme, http.Location(), url.Proto};
    case THttpFailure::BadUrl: {
        if (url.Host.empty()) return {FailureCode::UrlNoHost, http.Location()};
        if (!IsValidPort(url.Port.empty() ? DefaultPort(Lower(url.Proto)) : url.Port))
            return {FailureCode::UrlBadPort, http.Location(), url.Port};
        if (!http.Proxy.empty()) {
            const TUrlParts proxy = ParseURL(http.Proxy);
            return {FailureCode::ProxyBadPort, http.Proxy, proxy.Port.empty() ? http.ProxyPort : proxy.Port};
        }
        return {FailureCode::BadUrl, http.Location(), http.FailureText()};
    }
    case THttpFailure::UrlControl: return {FailureCode::UrlControl, EscapedUrl(http.URL)};
    case THttpFailure::NoRelocationAddress:
        return {FailureCode::NoRelocationAddress, url.Host, http.ReasonPhrase(), 0, http.StatusCode()};
    case THttpFailure::BadRelocation: return {FailureCode::BadRelocation, url.Host};
    case THttpFailure::PageTooLarge: return {FailureCode::PageTooLarge, url.Host, {}, 0, 0, http.MaxBodySize};
    case THttpFailure::ProxyTunnel:
        return {FailureCode::ProxyTunnel, url.Host, http.ReasonPhrase(), 0, http.StatusCode()};
    case THttpFailure::Incomplete:
        return {FailureCode::Incomplete, url.Host, {}, 0, http.ReceivedCount(), http.ContentLength()};
    case THttpFailure::Closed: return {FailureCode::Closed, url.Host};
    case THttpFailure::TwoLengths:
        return {FailureCode::TwoLengths, url.Host, {}, 0, http.ContentLength(), http.OtherContentLength()};
    case THttpFailure::TransferCoding: return {FailureCode::TransferCoding, url.Host, http.TransferCoding()};
    case THttpFailure::NoStatusLine: return {FailureCode::NoStatusLine, url.Host};
    case THttpFailure::Other: break;
    }
    return {FailureCode::NetworkError, url.Host, http.FailureText(), http.RequestDoneError()};
}

Failure FailureOf(const std::exception& e) {
    if (const auto* file = dynamic_cast<const platform::EFileError*>(&e)) return FailureOf(*file);
    if (const auto* doc = dynamic_cast<const EDocFormat*>(&e)) return FailureOf(*doc);
    if (const auto* settings = dynamic_cast<const platform::EProfileError*>(&e))
        return {FailureCode::FileWrite, settings->FileName().toStdString(), {}, settings->Error()};
    if (dynamic_cast<const std::bad_alloc*>(&e)) return {FailureCode::OutOfMemory};
    return {FailureCode::Internal, {}, e.what()};
}

}  // namespace verdane::core
