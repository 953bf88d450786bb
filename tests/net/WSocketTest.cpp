// The socket component against real sockets on 127.0.0.1: error texts and
// resolution helpers, the send queue and its events, receiving, line mode,
// listening and accepting, closing and aborting without leaking descriptors.
#include "NetTestSupport.h"
#include "TestHttpServer.h"
#include "WSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace verdane;
using namespace verdane::test;

namespace {

TEST(WSocketErrorDesc, GivesTheWinSockTexts) {
    EXPECT_EQ(WSocketErrorDesc(0), "No Error");
    EXPECT_EQ(WSocketErrorDesc(10004), "Interrupted system call");
    EXPECT_EQ(WSocketErrorDesc(10035), "Operation would block");
    EXPECT_EQ(WSocketErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(WSocketErrorDesc(10057), "Socket is not connected");
    EXPECT_EQ(WSocketErrorDesc(10061), "Connection refused");
    EXPECT_EQ(WSocketErrorDesc(10071), "Too many levels of remote in path");
    EXPECT_EQ(WSocketErrorDesc(10091), "Network sub-system is unusable");
    EXPECT_EQ(WSocketErrorDesc(10093), "WinSock not initialized");
    EXPECT_EQ(WSocketErrorDesc(11001), "Host not found");
    EXPECT_EQ(WSocketErrorDesc(11004), "No Data");
    EXPECT_EQ(WSocketErrorDesc(12345), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(10072), "Not a WinSock error");
}

TEST(WSocketErrors, MapSystemErrorsToWinSockNumbers) {
    EXPECT_EQ(WinSockErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(WinSockErrorFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(WinSockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinSockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinSockErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(WinSockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinSockErrorFromErrno(EHOSTUNREACH), 10065);
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESocketException& e) {
        return e.what();
    }
    return "";
}

TEST(WSocketResolve, HostsPortsAndProtocols) {
    EXPECT_EQ(WSocketResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(WSocketResolveHost("localhost"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ErrorOf([] { WSocketResolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
    EXPECT_EQ(ErrorOf([] { WSocketResolveHost(std::string(257, 'a')); }),
              "WSocketResolveHost: '" + std::string(257, 'a') + "' Invalid Hostname.");
    EXPECT_EQ(ErrorOf([] { WSocketResolveHost("nohost..invalid"); }),
              "WSocketResolveHost: Cannot convert host address 'nohost..invalid', Error #11001");
    EXPECT_EQ(WSocketResolvePort("8080", "tcp"), 8080);
    EXPECT_EQ(WSocketResolvePort(" 65535 ", "tcp"), 65535);
    for (const char* bad : {"80abc", "70000", "65536", "-1", "+80", "99999999999"})
        EXPECT_EQ(ErrorOf([bad] { WSocketResolvePort(bad, "tcp"); }),
                  std::string("WSocketResolvePort: Invalid Port '") + bad + "' (a port is a number from 1 to 65535).");
    EXPECT_EQ(WSocketResolvePort("http", "tcp"), 80);
    EXPECT_EQ(ErrorOf([] { WSocketResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(ErrorOf([] { WSocketResolvePort("80", ""); }), "WSocketResolvePort: Invalid Proto.");
    EXPECT_EQ(ErrorOf([] { WSocketResolvePort("no-such-service", "tcp"); }),
              "WSocketResolvePort: Cannot convert port 'no-such-service', Error #11004");
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("udp"), 17);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_EQ(ErrorOf([] { WSocketResolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(ErrorOf([] { WSocketResolveProto("nosuchproto"); }).substr(0, 48),
              "WSocketResolveProto: Cannot convert protocol 'no");
}

TEST(TBuffer, WritesPeeksAndRemoves) {
    TBuffer b(0);
    EXPECT_EQ(b.BufSize(), 1514);
    TBuffer small(4);
    EXPECT_EQ(small.Write("abcdef", 6), 4);
    int len = 0;
    const char* p = small.Peek(len);
    EXPECT_EQ(std::string(p, static_cast<std::size_t>(len)), "abcd");
    small.Remove(3);
    p = small.Peek(len);
    EXPECT_EQ(std::string(p, static_cast<std::size_t>(len)), "d");
    small.Remove(1);
    EXPECT_EQ(small.Count(), 0);
    EXPECT_EQ(small.Write("xyz", 3), 3);  // both counts went back to 0
    small.SetBufSize(10);
    p = small.Peek(len);
    EXPECT_EQ(std::string(p, static_cast<std::size_t>(len)), "xyz");
}

class WSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtApp();
        fdsBefore_ = OpenFdCount();
        server_ = std::make_unique<TestHttpServer>();
    }
    void TearDown() override {
        DrainEvents();
        server_.reset();
        EXPECT_TRUE(FdCountReturnsTo(fdsBefore_)) << "a descriptor was left open";
    }
    std::unique_ptr<TestHttpServer> server_;  // made after the descriptors were counted
    int fdsBefore_ = 0;
};

TEST_F(WSocketTest, DnsLookupOfADottedAddressAnswersBeforeItReturns) {
    TWSocket s;
    std::vector<int> errors;
    s.OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t e) { errors.push_back(e); };
    s.DnsLookup("127.0.0.1");
    EXPECT_EQ(errors, std::vector<int>{0});
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
}

TEST_F(WSocketTest, DnsLookupOfANameAnswersThroughTheEventLoop) {
    TWSocket s;
    std::vector<int> errors;
    s.OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t e) { errors.push_back(e); };
    s.DnsLookup("localhost");
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(RunUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<int>{0});
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
    EXPECT_EQ(s.DnsResultList().front(), "127.0.0.1");

    errors.clear();
    s.DnsLookup("nohost..invalid");
    EXPECT_TRUE(RunUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<int>{11001});

    // A cancelled lookup reports 10004 at once and its answer never arrives.
    errors.clear();
    s.DnsLookup("localhost");
    s.CancelDnsLookup();
    EXPECT_EQ(errors, std::vector<int>{10004});
    DrainEvents();
    EXPECT_EQ(errors, std::vector<int>{10004});
}

TEST_F(WSocketTest, ReverseLookupGivesTheHostName) {
    TWSocket s;
    int error = -1;
    s.OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t e) { error = e; };
    s.ReverseDnsLookup("127.0.0.1");
    EXPECT_TRUE(RunUntil([&] { return error >= 0; }));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(s.DnsResult(), "localhost");
    EXPECT_EQ(ErrorOf([&] { s.ReverseDnsLookup(""); }), "ReverseDnsLookup: Invalid host name.");
}

TEST_F(WSocketTest, AnEmptyHostNameIsRefused) {
    TWSocket s;
    std::vector<int> errors;
    s.OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t e) { errors.push_back(e); };
    s.OnError = [](TCustomWSocket& sender) {
        EXPECT_EQ(sender.LastErrorText(), "DNS lookup: invalid host name.");
    };
    s.DnsLookup("");
    EXPECT_EQ(errors, std::vector<int>{10022});
}

// A host name is looked up off the event loop's thread: Connect returns at
// once, and the connection (or the lookup's failure) arrives as an event.
TEST_F(WSocketTest, ConnectLooksUpAHostNameWithoutBlocking) {
    TestHttpServer server;
    server.On("/", {Send("hello")});
    TWSocket s;
    std::vector<int> connected;
    std::string received;
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t e) {
        connected.push_back(e);
        if (e == 0) sock.SendStr("GET / HTTP/1.0\r\n\r\n");
    };
    s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) { received += sock.ReceiveStr(); };
    s.SetAddr("localhost");
    s.SetPort(std::to_string(server.Port()));
    s.Connect();
    EXPECT_TRUE(connected.empty());
    EXPECT_EQ(s.State(), TSocketState::wsConnecting);
    ASSERT_TRUE(RunUntil([&] { return received == "hello"; }));
    EXPECT_EQ(connected, std::vector<int>{0});
    s.Close();

    TWSocket unknown;
    std::vector<int> failures;
    unknown.OnSessionConnected = [&](TCustomWSocket&, std::uint16_t e) { failures.push_back(e); };
    unknown.SetAddr("nohost..invalid");
    unknown.SetPort("80");
    unknown.Connect();
    ASSERT_TRUE(RunUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures, std::vector<int>{WSAHOST_NOT_FOUND});
    EXPECT_EQ(unknown.State(), TSocketState::wsClosed);

    // Aborted while the name is looked up: no event comes later.
    TWSocket aborted;
    bool any = false;
    aborted.OnSessionConnected = [&](TCustomWSocket&, std::uint16_t) { any = true; };
    aborted.SetAddr("localhost");
    aborted.SetPort(std::to_string(server.Port()));
    aborted.Connect();
    aborted.Abort();
    EXPECT_EQ(aborted.State(), TSocketState::wsClosed);
    RunUntil([] { return false; }, 300);
    EXPECT_FALSE(any);
}

// ReadLine waits for one line with handlers of its own and gives the caller's
// handlers back whether a line came, the wait timed out or the peer closed.
TEST_F(WSocketTest, ReadLineRestoresTheCallersHandlersOnEveryPath) {
    TestHttpServer server;
    server.On("/line", {Send("first line\r\nsecond"), Delay(300)});
    server.On("/silent", {Delay(1000)});
    for (const std::string path : {"/line", "/silent"}) {
        TWSocket s;
        int callerData = 0, callerClosed = 0;
        bool connected = false;
        s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t) {
            connected = true;
            sock.SendStr("GET " + path + " HTTP/1.0\r\n\r\n");
        };
        s.OnDataAvailable = [&](TCustomWSocket&, std::uint16_t) { ++callerData; };
        s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { ++callerClosed; };
        s.SetLineMode(true);
        s.SetAddr("127.0.0.1");
        s.SetPort(std::to_string(server.Port()));
        s.Connect();
        ASSERT_TRUE(RunUntil([&] { return connected; }));
        std::string line;
        if (path == "/line") {
            EXPECT_TRUE(s.ReadLine(5000, line));
            EXPECT_EQ(line, "first line\r\n");
        } else {
            EXPECT_FALSE(s.ReadLine(100, line));  // timed out
            EXPECT_FALSE(s.ReadLine(5000, line));  // the server closed
            EXPECT_EQ(s.State(), TSocketState::wsClosed);
        }
        ASSERT_TRUE(s.OnDataAvailable && s.OnSessionClosed);
        // The caller's handlers are back in place.
        s.OnDataAvailable(s, 0);
        s.OnSessionClosed(s, 0);
        EXPECT_EQ(callerData, 1);
        EXPECT_EQ(callerClosed, 1);
    }
}

TEST_F(WSocketTest, SendingWhileNotConnectedFails) {
    TWSocket s;
    EXPECT_EQ(ErrorOf([&] { s.SendStr("x"); }), "Error 10057 in function Send\r\nSocket is not connected");
    std::string text;
    s.OnError = [&](TCustomWSocket& sender) { text = sender.LastErrorText(); };
    EXPECT_EQ(s.SendStr("x"), -1);
    EXPECT_EQ(text, "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(s.LastError(), 10057);
}

TEST_F(WSocketTest, ConnectChecksItsSettings) {
    TWSocket s;
    EXPECT_EQ(ErrorOf([&] { s.Connect(); }), "Connect: No Port Specified");
    s.SetPort("80");
    EXPECT_EQ(ErrorOf([&] { s.Connect(); }), "Connect: No IP Address Specified");
    s.SetAddr("127.0.0.1");
    s.SetProto("");
    EXPECT_EQ(ErrorOf([&] { s.Connect(); }), "Connect: No Protocol Specified");
    s.SetProto("tcp");
    for (const char* port : {"0", "70000", "-1", "80abc"}) {
        s.SetPort(port);
        EXPECT_NE(ErrorOf([&] { s.Connect(); }).find(std::string("Invalid Port '") + port + "'"), std::string::npos)
            << port;
        EXPECT_EQ(s.State(), TSocketState::wsClosed);
    }
    EXPECT_EQ(ErrorOf([&] { s.SetLocalAddr("not an address"); }), "SetLocalAddr(): Invalid IP address");
    s.SetLocalAddr("");
    EXPECT_EQ(s.LocalAddr(), "0.0.0.0");
}

// A connected socket talking to the test server: one request, one answer.
TEST_F(WSocketTest, ConnectsSendsReceivesAndReportsTheClose) {
    server_->On("/echo", {Send("answer line 1\r\nanswer line 2\r\n")});
    TWSocket s;
    std::vector<std::string> events;
    std::string received;
    int dataSent = 0;
    long long sentBytes = 0;
    s.OnChangeState = [&](TCustomWSocket&, TSocketState, TSocketState now) {
        events.push_back("state" + std::to_string(static_cast<int>(now)));
    };
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t e) {
        events.push_back("connected" + std::to_string(e));
        EXPECT_EQ(sock.PeerAddr(), "127.0.0.1");
        EXPECT_EQ(sock.PeerPort(), std::to_string(server_->Port()));
        // Port cannot change on an open socket; the same value is no change at all.
        EXPECT_EQ(ErrorOf([&] { sock.SetPort("1"); }), "Cannot change Port if not closed");
        EXPECT_EQ(ErrorOf([&] { sock.SetPort(std::to_string(server_->Port())); }), "");
        sock.SendStr("GET /echo HTTP/1.0\r\n\r\n");
        EXPECT_EQ(dataSent, 0) << "OnDataSent never arrives inside Send";
    };
    s.OnSendData = [&](TCustomWSocket&, int n) { sentBytes += n; };
    s.OnDataSent = [&](TCustomWSocket&, std::uint16_t) { ++dataSent; };
    s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
        char buffer[5];
        int n = sock.Receive(buffer, sizeof buffer);
        if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    };
    bool closed = false;
    s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t e) {
        events.push_back("closed" + std::to_string(e));
        closed = true;
    };
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(server_->Port()));
    s.Connect();
    EXPECT_EQ(s.State(), TSocketState::wsConnecting);
    EXPECT_TRUE(RunUntil([&] { return closed; }));
    EXPECT_EQ(received, "answer line 1\r\nanswer line 2\r\n");
    EXPECT_EQ(s.ReadCount(), static_cast<long long>(received.size()));
    EXPECT_EQ(dataSent, 1);
    EXPECT_EQ(sentBytes, 22);
    EXPECT_EQ(s.State(), TSocketState::wsClosed);
    EXPECT_EQ(s.PeerAddr(), "error");
    EXPECT_EQ(events, (std::vector<std::string>{"state1", "state3", "state4", "connected0", "closed0", "state7"}));
}

TEST_F(WSocketTest, LargeSendsAreQueuedAndSentWhole) {
    TWSocket listener;
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.Listen();
    ASSERT_EQ(listener.State(), TSocketState::wsListening);
    sockaddr_in sa{};
    ASSERT_EQ(listener.GetSockName(sa), 0);

    std::string payload;
    for (int i = 0; payload.size() < 3000000; ++i) payload += std::to_string(i) + ",";
    TWSocket server;
    std::string got;
    bool peerClosed = false;
    server.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
        std::string part = sock.ReceiveStr();
        got += part;
    };
    server.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { peerClosed = true; };
    listener.OnSessionAvailable = [&](TCustomWSocket& l, std::uint16_t e) {
        EXPECT_EQ(e, 0);
        server.Dup(l.Accept());
    };

    TWSocket client;
    int dataSent = 0;
    client.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t e) {
        ASSERT_EQ(e, 0);
        EXPECT_EQ(sock.Send(payload.data(), static_cast<int>(payload.size())), static_cast<int>(payload.size()));
    };
    client.OnDataSent = [&](TCustomWSocket& sock, std::uint16_t) {
        ++dataSent;
        sock.Close();  // everything is out: a graceful close
    };
    client.LingerOnOff = TSocketLingerOnOff::wsLingerNoSet;
    client.SetAddr("127.0.0.1");
    client.SetPort(std::to_string(ntohs(sa.sin_port)));
    client.Connect();
    EXPECT_TRUE(RunUntil([&] { return peerClosed; }));
    EXPECT_EQ(dataSent, 1);
    EXPECT_EQ(got.size(), payload.size());
    EXPECT_TRUE(got == payload);
    listener.Close();
}

TEST_F(WSocketTest, LineModeHandsOutOneLineAtATimeAndTheLastPartialLine) {
    server_->On("/lines", {Send("first\r\nsec"), Delay(30), Send("ond\r\nthird\r\nlast")});
    TWSocket s;
    s.SetLineMode(true);
    std::vector<std::string> lines;
    bool closed = false;
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t) { sock.SendStr("GET /lines HTTP/1.0\r\n\r\n"); };
    s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
        lines.push_back(sock.ReceiveStr());
    };
    s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { closed = true; };
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(server_->Port()));
    s.Connect();
    EXPECT_TRUE(RunUntil([&] { return closed; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"first\r\n", "second\r\n", "third\r\n", "last"}));
}

TEST_F(WSocketTest, AbortDropsTheConnectionAndThePendingLookup) {
    server_->On("/hold", {Hold()});
    TWSocket s;
    bool connected = false;
    int closedCount = 0;
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t) {
        connected = true;
        sock.SendStr("GET /hold HTTP/1.0\r\n\r\n");
    };
    s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { ++closedCount; };
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(server_->Port()));
    s.Connect();
    EXPECT_TRUE(RunUntil([&] { return connected; }));
    s.Abort();
    EXPECT_EQ(s.State(), TSocketState::wsClosed);
    EXPECT_EQ(closedCount, 1);
    s.Abort();  // nothing left to abort
    EXPECT_EQ(closedCount, 1);
}

TEST_F(WSocketTest, ARefusedConnectReportsTheErrorAndCloses) {
    TWSocket listener;  // take a free port, then stop listening on it
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.Listen();
    sockaddr_in sa{};
    listener.GetSockName(sa);
    listener.Close();

    TWSocket s;
    int connectError = -1;
    std::string text;
    s.OnSessionConnected = [&](TCustomWSocket&, std::uint16_t e) { connectError = e; };
    s.OnError = [&](TCustomWSocket& sock) { text = sock.LastErrorText(); };
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(ntohs(sa.sin_port)));
    s.Connect();
    // Either the connect call itself or the connect event reports the refusal.
    EXPECT_TRUE(RunUntil([&] { return connectError >= 0 || !text.empty(); }));
    if (connectError >= 0) {
        EXPECT_EQ(connectError, 10061);
        EXPECT_TRUE(RunUntil([&] { return s.State() == TSocketState::wsClosed; }));
    } else {
        EXPECT_EQ(text, "Error 10061 in function Connect\r\nConnection refused");
        s.Close();
    }
    EXPECT_EQ(s.State(), TSocketState::wsClosed);
}

TEST_F(WSocketTest, ABackgroundExceptionAbortsTheConnection) {
    server_->On("/data", {Send("some data")});
    TWSocket s;
    bool closed = false;
    std::string seen;
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t) { sock.SendStr("GET /data HTTP/1.0\r\n\r\n"); };
    s.OnDataAvailable = [&](TCustomWSocket&, std::uint16_t) { throw std::runtime_error("handler failed"); };
    s.OnBgException = [&](TCustomWSocket&, const std::exception& e, bool& canClose) {
        seen = e.what();
        EXPECT_TRUE(canClose);
    };
    s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { closed = true; };
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(server_->Port()));
    s.Connect();
    EXPECT_TRUE(RunUntil([&] { return closed; }));
    EXPECT_EQ(seen, "handler failed");
    EXPECT_EQ(s.State(), TSocketState::wsClosed);
}

TEST_F(WSocketTest, UdpDatagramsGoBothWays) {
    TWSocket receiver;
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    receiver.SetProto("udp");
    receiver.Listen();
    ASSERT_EQ(receiver.State(), TSocketState::wsConnected);
    sockaddr_in sa{};
    receiver.GetSockName(sa);
    std::string got;
    receiver.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
        char buffer[100];
        sockaddr_in from{};
        int n = sock.ReceiveFrom(buffer, sizeof buffer, from);
        if (n > 0) got.assign(buffer, static_cast<std::size_t>(n));
    };
    TWSocket sender;
    sender.SetAddr("127.0.0.1");
    sender.SetPort(std::to_string(ntohs(sa.sin_port)));
    sender.SetProto("udp");
    sender.Connect();
    ASSERT_EQ(sender.State(), TSocketState::wsConnected);
    sender.SendStr("datagram");
    EXPECT_TRUE(RunUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, "datagram");
    sender.Close();
    receiver.Close();
}

}  // namespace
