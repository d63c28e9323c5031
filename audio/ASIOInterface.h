#pragma once
#include <cstdint>

// The low-latency driver model: a driver object made by a driver library's
// factory (platform/OsComponent.h), with the published operation names, and
// the host's callback record. Every driver library of ours is built against
// this header, which is the whole of the binary interface between the two.

using ASIOBool = int32_t;
using ASIOError = int32_t;
using ASIOSampleRate = double;

inline constexpr ASIOBool ASIOFalse = 0;
inline constexpr ASIOBool ASIOTrue = 1;

enum : ASIOError {
    ASE_OK = 0,
    ASE_SUCCESS = 0x3f4847a0,
    ASE_NotPresent = -1000,
    ASE_HWMalfunction = -999,
    ASE_InvalidParameter = -998,
    ASE_InvalidMode = -997,
    ASE_SPNotAdvancing = -996,
    ASE_NoClock = -995,
    ASE_NoMemory = -994,
};

// Sample types of a channel's half-buffers.
enum ASIOSampleType : int32_t {
    ASIOSTInt16MSB = 0,
    ASIOSTInt16LSB = 16,
    ASIOSTInt32LSB = 18,
    ASIOSTFloat32LSB = 19,
};

struct ASIOBufferInfo {
    ASIOBool isInput;
    int32_t channelNum;
    // The two half-buffers, filled in by createBuffers.
    void* buffers[2];
};

struct ASIOChannelInfo {
    int32_t channel; // asked for
    ASIOBool isInput; // asked for
    ASIOBool isActive;
    int32_t channelGroup;
    int32_t type; // an ASIOSampleType
    char name[32];
};

// Selectors of asioMessage, from the driver to the host; any thread.
enum : int32_t {
    // The device or its server went away: the driver plays no more and the
    // host should stop it (`message` may carry the reason as text).
    kAsioResetRequest = 3,
    // The driver missed a period (an xrun); `value` is how many.
    kAsioOverload = 12,
};

// Time information of the time-info buffer switch; the host asks for none.
struct ASIOTime;

struct ASIOCallbacks {
    // The driver's thread asks the host to fill half-buffer `index`.
    void (*bufferSwitch)(int32_t index, ASIOBool directProcess);
    void (*sampleRateDidChange)(ASIOSampleRate rate);
    int32_t (*asioMessage)(int32_t selector, int32_t value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* params, int32_t index, ASIOBool directProcess);
};

// Text sizes of getDriverName and getErrorMessage, terminating NUL included.
inline constexpr int kASIODriverNameSize = 32;
inline constexpr int kASIOErrorMessageSize = 124;

// The driver object. Made by the factory with one reference; Release drops
// it and the object deletes itself (inside its own library).
class IASIODriver {
public:
    virtual int32_t Release() = 0;

    // The window handle is not used by the drivers of this model (null).
    virtual ASIOBool init(void* systemHandle) = 0;
    virtual void getDriverName(char* name) = 0;
    virtual int32_t getDriverVersion() = 0;
    virtual void getErrorMessage(char* text) = 0;
    virtual ASIOError start() = 0;
    // No buffer switch runs once stop has returned.
    virtual ASIOError stop() = 0;
    virtual ASIOError getChannels(int32_t* inputs, int32_t* outputs) = 0;
    virtual ASIOError getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred, int32_t* granularity) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* rate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* infos, int32_t channels, int32_t bufferSize,
                                    ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError outputReady() = 0;

protected:
    virtual ~IASIODriver() = default;
};
