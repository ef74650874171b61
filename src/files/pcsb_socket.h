// pcsb_socket.h - one IPv4 TCP socket in non-blocking mode, polled once per
// frame and never waited for. The transport of the download client.
//
// Main thread only. Every call returns at once: the descriptor is non-blocking
// and the status check polls with a zero time-out. Failures show only in the
// status, the stored OS error and the results 0 / -1; the diagnostic lines go
// to the standard error stream.
#pragma once

#include <cstdint>

class PCSBSocket {
public:
    // ---- status values ----------------------------------------------------
    enum : int {
        sock_idle = 1,       // made and bound; a listener with nothing waiting
        sock_connecting = 2, // connect under way; a listener: a connection waits
        sock_connected = 3,  // data may flow
        sock_closed = 4,     // shut down here, ended by the network, or refused
        sock_error = 5,      // a system call failed otherwise; see GetOSError
    };

    struct ConnectionData {
        std::uint32_t local_addr;  // host byte order
        std::uint16_t local_port;  // host byte order
        std::uint32_t remote_addr; // network byte order, as the system reports it
        std::uint16_t remote_port; // host byte order
    };

    // ---- class-wide -------------------------------------------------------
    static bool StartupNetworking(bool first);  // nothing to start here: true
    static void ShutdownNetworking(bool last);  // nothing to stop here
    static unsigned long LookupAddress(const char* name); // network order; 0: no address

    // ---- life -------------------------------------------------------------
    PCSBSocket(unsigned short port, bool listen); // bound to any address; port 0: any port
    explicit PCSBSocket(int descriptor);          // wraps a connected descriptor (Accept)
    virtual ~PCSBSocket();                        // shuts down both ways, closes
    PCSBSocket(const PCSBSocket&) = delete;
    PCSBSocket& operator=(const PCSBSocket&) = delete;

    // ---- operations -------------------------------------------------------
    int GetStatus();                                      // refreshed status, never blocks
    void Connect(unsigned long address, unsigned short port); // address in network order
    long ReadData(void* buffer, long length);             // >0 read, 0 nothing now, -1 ended/failed
    long http_WriteData(const void* buffer, long length); // >=0 sent, -1 ended/failed
    void Disconnect();                                    // both ways; sock_closed
    void Release();                                       // this side stops sending
    bool ReceivedRelease() const { return received_release; } // the peer stopped sending
    int GetOSError() const { return os_error; }           // errno behind sock_error; 0 none
    void GetAddresses(ConnectionData* out);               // zeros where the system has none
    PCSBSocket* Accept();                                 // listener: next connection or null

private:
    int sock;              // the descriptor; -1 when it could not be made
    int status;            // one of the values above
    int os_error;          // errno of the failure that gave sock_error
    bool received_release; // a receive returned 0 bytes
    bool released;         // Release was called
    bool listening;        // made as a listener

    void fail(const char* message, int err); // prints, stores err, sock_error
    long transfer_failure(int err, const char* verb); // 0 would block, -1 closed or failed
};

int printf_null(char*, ...); // a diagnostic sink: prints nothing, returns 0
