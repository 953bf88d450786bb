// The error numbers and texts of the socket layer: POSIX and resolver errors
// as WinSock numbers, and the text of each number.
#include "WSocketInternal.h"

#include <netdb.h>

#include <cerrno>

namespace verdane {

int LastSystemError() { return WinSockErrorFromErrno(errno); }

int WinSockErrorFromErrno(int error) {
    switch (error) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EAGAIN: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: case EPIPE: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return error;
    }
}

int WinSockErrorFromGai(int gaiError) {
    switch (gaiError) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_NODATA: case EAI_ADDRFAMILY: return WSANO_DATA;
    case EAI_SYSTEM: return WinSockErrorFromErrno(errno);
    default: return WSANO_RECOVERY;
    }
}

std::string WSocketErrorDesc(int error) {
    static const char* const berkeley[] = {
        "Operation would block", "Operation now in progress", "Operation already in progress",
        "Socket operation on non-socket", "Destination address required", "Message too long",
        "Protocol wrong type for socket", "Protocol not available", "Protocol not supported",
        "Socket type not supported", "Operation not supported on socket", "Protocol family not supported",
        "Address family not supported by protocol family", "Address already in use", "Address not available",
        "Network is down", "Network is unreachable", "Network dropped connection on reset",
        "Connection aborted", "Connection reset by peer", "No buffer space available",
        "Socket is already connected", "Socket is not connected", "Can't send after socket shutdown",
        "Too many references: can't splice", "Connection timed out", "Connection refused",
        "Too many levels of symbolic links", "File name too long", "Host is down", "No route to host",
        "Directory not empty", "Too many processes", "Too many users", "Disc quota exceeded",
        "Stale NFS file handle", "Too many levels of remote in path"};
    switch (error) {
    case 0: return "No Error";
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10091: return "Network sub-system is unusable";
    case 10092: return "WinSock DLL cannot support this application";
    case 10093: return "WinSock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Non-authoritative host not found";
    case 11003: return "Non-recoverable error";
    case 11004: return "No Data";
    default:
        if (error >= 10035 && error <= 10071) return berkeley[error - 10035];
        return "Not a WinSock error";
    }
}

}  // namespace verdane
