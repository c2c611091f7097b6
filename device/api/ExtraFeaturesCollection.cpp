#include "device/api/ExtraFeaturesCollection.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "device/buses/usb/USBInterface.h"
#include "device/common/Exceptions.h"
#include "device/common/LittleEndianWords.h"

namespace spectro {

namespace {

constexpr std::uint8_t REQUEST_SPECTRUM = 0x09;
constexpr std::uint8_t READ_SLOT = 0x05;
constexpr std::uint8_t WRITE_REGISTER = 0x6A;
constexpr std::uint8_t READ_REGISTER = 0x6B;
constexpr std::uint8_t READ_PCB_TEMPERATURE = 0x6C;
constexpr std::uint8_t QUERY_STATUS = 0xFE;

constexpr std::uint8_t FIRMWARE_VERSION_REGISTER = 0x04;
constexpr std::uint8_t STROBE_HIGH_DELAY_REGISTER = 0x38;
constexpr std::uint8_t STROBE_LOW_DELAY_REGISTER = 0x3C;

constexpr std::uint8_t PCB_TEMPERATURE_REPLY = 0x08;
constexpr double DEGREES_PER_PCB_COUNT = 0.003906;
constexpr std::uint8_t FRAME_SYNC = 0x69;
constexpr std::size_t SLOT_TEXT_LENGTH = 15;

const char* const READ_NOTHING =
    "Caught BusTransferException in readUSB: Failed to read any data from USB.";
const char* const WRITE_NOTHING =
    "Caught BusTransferException in writeUSB: Failed to write any data to USB.";
const char* const WRONG_TYPE = "ExtraFeaturesCollection::CollectSpectra - Wrong SpectrometerType";
const char* const CANNOT_ALLOCATE =
    "ExtraFeaturesCollection::CollectSpectra - Cannot allocate the frame store";
const char* const OUT_OF_SYNC = "ExtraFeaturesCollection::CollectSpectra - Out of sync";

std::string failureOf(const char* operation, const char* what) {
    return std::string("ExtraFeaturesCollection::") + operation + " - " + what;
}

USB* usbOf(const Bus& bus) {
    const auto* usbBus = dynamic_cast<const USBInterface*>(&bus);
    return usbBus == nullptr ? nullptr : usbBus->getUSB();
}

bool movedNothing(int moved, std::int32_t length) {
    return moved < 0 || (moved == 0 && length != 0);
}

std::int32_t readPipe(USB* usb, std::uint8_t endpoint, std::uint8_t* buffer, std::int32_t length) {
    // A zero-length read would wait for an empty packet the unit never sends.
    if (length == 0) return 0;
    const int moved =
        usb == nullptr || buffer == nullptr ? -1 : usb->read(endpoint, buffer, length);
    if (movedNothing(moved, length)) throw FeatureControlException(READ_NOTHING);
    return moved;
}

std::int32_t writePipe(USB* usb, std::uint8_t endpoint, const std::uint8_t* buffer,
                       std::int32_t length) {
    const int moved = usb == nullptr || (buffer == nullptr && length != 0)
                          ? -1
                          : usb->write(endpoint, buffer, length);
    if (movedNothing(moved, length)) throw FeatureControlException(WRITE_NOTHING);
    return moved;
}

std::int16_t signed16(std::uint8_t low, std::uint8_t high) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | high << 8));
}

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The leading number of a slot's text, which ends at the first zero byte or with the slot.
// Leading blanks and a plus sign are allowed and trailing characters ignored ("1.5abc" is
// 1.5); text without a number, and a number too large or not finite, give 0.
template <class Number>
Number parseSlotText(std::span<const std::uint8_t> contents) {
    const auto end = std::find(contents.begin(), contents.end(), std::uint8_t{0});
    const char* first = reinterpret_cast<const char*>(contents.data());
    const char* last = first + (end - contents.begin());
    while (first != last && (*first == ' ' || (*first >= '\t' && *first <= '\r'))) ++first;
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return Number{};
    }
    Number value{};
    if (std::from_chars(first, last, value).ec != std::errc{}) return Number{};
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) return Number{};
    }
    return value;
}

// How one spectrum frame is laid out: little-endian samples from byte 0, the sync byte last.
struct FrameLayout {
    std::size_t frameBytes;
    std::int32_t valuesPerFrame;
    std::uint8_t highByteXor;  // type 1 sends the high byte with bit 5 flipped
};

constexpr FrameLayout TYPE_1_FRAME{4097, 2048, 0x20};
constexpr FrameLayout TYPE_2_FRAME{4609, 2068, 0x00};
constexpr bool samplesEndBeforeSync(const FrameLayout& layout) {
    return 2 * static_cast<std::size_t>(layout.valuesPerFrame) <= layout.frameBytes - 1;
}
static_assert(samplesEndBeforeSync(TYPE_1_FRAME) && samplesEndBeforeSync(TYPE_2_FRAME));

// Raw frames and timestamps of one burst, both allocated before the first request.
struct BurstStore {
    std::vector<std::uint8_t> frames;  // zeroed now, so that its pages are mapped before the burst
    std::vector<std::int64_t> timestamps;  // taken before each request, and once at the end
};

BurstStore allocateStore(const FrameLayout& layout, std::int32_t count) {
    // The result counts every value of the burst in 32 bits; a larger burst is refused like a
    // store the system cannot provide.
    if (count > INT32_MAX / layout.valuesPerFrame) throw FeatureException(CANNOT_ALLOCATE);
    const auto frames = static_cast<std::size_t>(count);
    try {
        return {std::vector<std::uint8_t>(frames * layout.frameBytes),
                std::vector<std::int64_t>(frames + 1, 0)};
    } catch (const std::bad_alloc&) {
        throw FeatureException(CANNOT_ALLOCATE);
    } catch (const std::length_error&) {
        throw FeatureException(CANNOT_ALLOCATE);
    }
}

// Decodes the frames taken into their rows and sets the rows of the frames not taken to 0;
// values past the end of `spectra` are skipped. False when a decoded frame is out of sync.
bool decodeFrames(const FrameLayout& layout, const std::vector<std::uint8_t>& frames,
                  std::size_t taken, std::size_t count, std::span<double> spectra) {
    const auto values = static_cast<std::size_t>(layout.valuesPerFrame);
    bool inSync = true;
    for (std::size_t i = 0; i < taken; ++i) {
        const std::uint8_t* frame = frames.data() + i * layout.frameBytes;
        const std::size_t row = i * values;
        const std::size_t stored =
            row >= spectra.size() ? 0 : std::min(values, spectra.size() - row);
        const auto wordXor = static_cast<std::uint16_t>(layout.highByteXor << 8);
        for (std::size_t j = 0; j < stored; ++j)
            spectra[row + j] = static_cast<double>(littleEndianWord(frame, j) ^ wordXor);
        if (frame[layout.frameBytes - 1] != FRAME_SYNC) inSync = false;
    }
    const std::size_t end = std::min(count * values, spectra.size());
    for (std::size_t k = taken * values; k < end; ++k) spectra[k] = 0.0;
    return inSync;
}

// intervals[k] from the timestamps around request k, in seconds; 0 for the frames not taken.
void storeIntervals(const std::vector<std::int64_t>& timestamps, std::size_t taken,
                    std::size_t count, std::span<double> intervals) {
    const std::size_t end = std::min(count, intervals.size());
    for (std::size_t k = 0; k < end; ++k)
        intervals[k] =
            k < taken ? static_cast<double>(timestamps[k + 1] - timestamps[k]) / 1000000000.0 : 0.0;
}

struct BurstEndpoints {
    std::uint8_t request;
    std::uint8_t frames;
};

std::int32_t runBurst(const FrameLayout& layout, const Bus& bus, BurstEndpoints endpoints,
                      std::int32_t count, std::span<double> spectra,
                      std::int32_t* pixelsPerSpectrum, std::span<double> intervals,
                      std::optional<std::int64_t>* firstTimestamp,
                      std::atomic<std::uint8_t>* startedFlag) {
    if (spectra.empty() || intervals.empty()) return 0;
    if (count <= 0) {
        if (pixelsPerSpectrum != nullptr) *pixelsPerSpectrum = layout.valuesPerFrame;
        return 0;
    }
    BurstStore store = allocateStore(layout, count);
    if (pixelsPerSpectrum != nullptr) *pixelsPerSpectrum = layout.valuesPerFrame;
    USB* usb = usbOf(bus);

    // Between two requests only the timestamp, the request, the frame read and the started
    // flag; a failure ends the loop, and the frames taken so far are still delivered below.
    const auto frameLength = static_cast<std::int32_t>(layout.frameBytes);
    std::uint8_t* frame = store.frames.data();
    std::int32_t taken = 0;
    std::exception_ptr failure;
    try {
        for (; taken < count; ++taken, frame += layout.frameBytes) {
            store.timestamps[taken] = steadyNanoseconds();
            if (writePipe(usb, endpoints.request, &REQUEST_SPECTRUM, 1) != 1)
                throw FeatureException(failureOf("CollectSpectra", "Write to USB failed"));
            if (readPipe(usb, endpoints.frames, frame, frameLength) != frameLength)
                throw FeatureException(failureOf("CollectSpectra", "Read from USB failed"));
            if (taken == 0 && startedFlag != nullptr) startedFlag->exchange(1);
        }
        store.timestamps[count] = steadyNanoseconds();
    } catch (...) {
        failure = std::current_exception();
    }

    const auto framesTaken = static_cast<std::size_t>(taken);
    const auto framesAsked = static_cast<std::size_t>(count);
    storeIntervals(store.timestamps, framesTaken, framesAsked, intervals);
    if (firstTimestamp != nullptr) {
        // Taken right after frame 0 arrived: before request 1, or at the end of a burst of one.
        if (taken > 0)
            *firstTimestamp = store.timestamps[1];
        else
            firstTimestamp->reset();
    }
    const bool inSync = decodeFrames(layout, store.frames, framesTaken, framesAsked, spectra);
    if (failure) std::rethrow_exception(failure);
    if (!inSync) throw FeatureException(OUT_OF_SYNC);
    return count * layout.valuesPerFrame;
}

}  // namespace

ExtraFeaturesCollection::ExtraFeaturesCollection(
    std::int32_t spectrometerType, std::uint8_t cmdOutEndpoint, std::uint8_t replyInEndpoint,
    std::uint8_t auxOutEndpoint, std::uint8_t dataInEndpoint, std::uint8_t dataIn2Endpoint)
    : spectrometerType(spectrometerType),
      cmdOutEndpoint(cmdOutEndpoint),
      replyInEndpoint(replyInEndpoint),
      auxOutEndpoint(auxOutEndpoint),
      dataInEndpoint(dataInEndpoint),
      dataIn2Endpoint(dataIn2Endpoint) {}

FeatureFamily ExtraFeaturesCollection::getFeatureFamily() {
    return api::FeatureFamilies().EXTRA_FEATURES_COLLECTION;
}

std::int32_t ExtraFeaturesCollection::readUSB(const Bus& bus, std::uint8_t endpoint,
                                              std::uint8_t* buffer, std::int32_t length) {
    return readPipe(usbOf(bus), endpoint, buffer, length);
}

std::int32_t ExtraFeaturesCollection::writeUSB(const Bus& bus, std::uint8_t endpoint,
                                               const std::uint8_t* buffer, std::int32_t length) {
    return writePipe(usbOf(bus), endpoint, buffer, length);
}

void ExtraFeaturesCollection::command(const Bus& bus, std::span<const std::uint8_t> bytes,
                                      const char* operation) {
    const auto length = static_cast<std::int32_t>(bytes.size());
    if (writeUSB(bus, cmdOutEndpoint, bytes.data(), length) != length)
        throw FeatureException(failureOf(operation, "Write to USB failed"));
}

void ExtraFeaturesCollection::reply(const Bus& bus, std::span<std::uint8_t> bytes,
                                    const char* operation) {
    const auto length = static_cast<std::int32_t>(bytes.size());
    if (readUSB(bus, replyInEndpoint, bytes.data(), length) != length)
        throw FeatureException(failureOf(operation, "Read from USB failed"));
}

std::int32_t ExtraFeaturesCollection::readRegister(const Bus& bus, std::uint8_t address,
                                                   const char* operation) {
    const std::array<std::uint8_t, 2> request{READ_REGISTER, address};
    command(bus, request, operation);
    std::array<std::uint8_t, 3> answer{};
    reply(bus, answer, operation);
    return signed16(answer[1], answer[2]);
}

void ExtraFeaturesCollection::writeRegister(const Bus& bus, std::uint8_t address,
                                            std::int32_t value, const char* operation) {
    const auto bits = static_cast<std::uint32_t>(value);
    const std::array<std::uint8_t, 4> request{WRITE_REGISTER, address,
                                              static_cast<std::uint8_t>(bits & 0xFF),
                                              static_cast<std::uint8_t>((bits >> 8) & 0xFF)};
    command(bus, request, operation);
}

std::int32_t ExtraFeaturesCollection::CollectSpectra(const Bus& bus, std::int32_t count,
                                                     std::span<double> spectra,
                                                     std::int32_t* pixelsPerSpectrum,
                                                     std::span<double> intervals,
                                                     std::optional<std::int64_t>* firstTimestamp,
                                                     std::atomic<std::uint8_t>* startedFlag) {
    switch (spectrometerType) {
        case 1:
            return collectSpectraType1(bus, count, spectra, pixelsPerSpectrum, intervals,
                                       firstTimestamp, startedFlag);
        case 2:
            return collectSpectraType2(bus, count, spectra, pixelsPerSpectrum, intervals,
                                       firstTimestamp, startedFlag);
        default:
            throw FeatureException(WRONG_TYPE);
    }
}

std::int32_t ExtraFeaturesCollection::collectSpectraType1(
    const Bus& bus, std::int32_t count, std::span<double> spectra, std::int32_t* pixelsPerSpectrum,
    std::span<double> intervals, std::optional<std::int64_t>* firstTimestamp,
    std::atomic<std::uint8_t>* startedFlag) {
    return runBurst(TYPE_1_FRAME, bus, {cmdOutEndpoint, dataInEndpoint}, count, spectra,
                    pixelsPerSpectrum, intervals, firstTimestamp, startedFlag);
}

std::int32_t ExtraFeaturesCollection::collectSpectraType2(
    const Bus& bus, std::int32_t count, std::span<double> spectra, std::int32_t* pixelsPerSpectrum,
    std::span<double> intervals, std::optional<std::int64_t>* firstTimestamp,
    std::atomic<std::uint8_t>* startedFlag) {
    return runBurst(TYPE_2_FRAME, bus, {cmdOutEndpoint, dataInEndpoint}, count, spectra,
                    pixelsPerSpectrum, intervals, firstTimestamp, startedFlag);
}

std::int32_t ExtraFeaturesCollection::getFWversion(const Bus& bus) {
    return readRegister(bus, FIRMWARE_VERSION_REGISTER, "getFWversion");
}

double ExtraFeaturesCollection::getBoardTemperature(const Bus& bus) {
    if (spectrometerType == 1) return getPCBTemperature(bus);
    return std::numeric_limits<double>::quiet_NaN();
}

void ExtraFeaturesCollection::setSingleStrobeHighClockTransitionDelay(const Bus& bus,
                                                                      std::int32_t value) {
    writeRegister(bus, STROBE_HIGH_DELAY_REGISTER, value,
                  "setSingleStrobeHighClockTransitionDelay");
}

std::int32_t ExtraFeaturesCollection::getSingleStrobeHighClockTransitionDelay(const Bus& bus) {
    return readRegister(bus, STROBE_HIGH_DELAY_REGISTER, "getSingleStrobeHighClockTransitionDelay");
}

void ExtraFeaturesCollection::setSingleStrobeLowClockTransitionDelay(const Bus& bus,
                                                                     std::int32_t value) {
    writeRegister(bus, STROBE_LOW_DELAY_REGISTER, value, "setSingleStrobeLowClockTransitionDelay");
}

std::int32_t ExtraFeaturesCollection::getSingleStrobeLowClockTransitionDelay(const Bus& bus) {
    return readRegister(bus, STROBE_LOW_DELAY_REGISTER, "getSingleStrobeLowClockTransitionDelay");
}

double ExtraFeaturesCollection::getPCBTemperature(const Bus& bus) {
    const std::array<std::uint8_t, 1> request{READ_PCB_TEMPERATURE};
    command(bus, request, "getPCBTemperature");
    std::array<std::uint8_t, 3> answer{};
    reply(bus, answer, "getPCBTemperature");
    if (answer[0] != PCB_TEMPERATURE_REPLY)
        throw FeatureException("ExtraFeaturesCollection::getPCBTemperature failed");
    return signed16(answer[1], answer[2]) * DEGREES_PER_PCB_COUNT;
}

int ExtraFeaturesCollection::queryStatus(const Bus& bus, std::int16_t* pixelCount,
                                         std::int32_t* integrationTime, bool* lampEnabled,
                                         std::uint8_t* triggerMode, std::uint8_t* acquisitionStatus,
                                         std::uint8_t* packetsInSpectrum, bool* powerDown,
                                         std::uint8_t* packetCount, bool* highSpeed) {
    const std::array<std::uint8_t, 1> request{QUERY_STATUS};
    command(bus, request, "queryStatus");
    std::array<std::uint8_t, 16> status{};
    reply(bus, status, "queryStatus");

    int filled = 0;
    auto fill = [&filled](auto* output, auto value) {
        if (output == nullptr) return;
        *output = value;
        ++filled;
    };
    fill(pixelCount, signed16(status[0], status[1]));
    fill(integrationTime,
         static_cast<std::int32_t>(static_cast<std::uint32_t>(status[2]) | status[3] << 8 |
                                   status[4] << 16 | static_cast<std::uint32_t>(status[5]) << 24));
    fill(lampEnabled, status[6] == 1);
    fill(triggerMode, status[7]);
    fill(acquisitionStatus, status[8]);
    fill(packetsInSpectrum, status[9]);
    fill(powerDown, status[10] == 1);
    fill(packetCount, status[11]);
    fill(highSpeed, status[14] == 0x80);
    return filled;
}

std::int32_t ExtraFeaturesCollection::getCalibration(const Bus& bus,
                                                     std::array<double, 4>* wavelengthCoeffs,
                                                     std::array<double, 8>* nonlinearityCoeffs,
                                                     double* strayLight) {
    // Slots 1 to 4 wavelength polynomial, 5 stray light, 6 to 13 nonlinearity, 14 its order.
    std::int32_t order = 0;
    for (std::uint8_t slot = 1; slot <= 14; ++slot) {
        const bool wanted = slot <= 4   ? wavelengthCoeffs != nullptr
                            : slot == 5 ? strayLight != nullptr
                                        : nonlinearityCoeffs != nullptr;
        if (!wanted) continue;
        const std::array<std::uint8_t, 2> request{READ_SLOT, slot};
        command(bus, request, "getCalibration");
        std::array<std::uint8_t, 2 + SLOT_TEXT_LENGTH> answer{};
        reply(bus, answer, "getCalibration");
        if (answer[0] != READ_SLOT || answer[1] != slot)
            throw FeatureException(failureOf("getCalibration", "Read from USB failed"));
        const auto text = std::span<const std::uint8_t>(answer).subspan(2);
        if (slot <= 4)
            (*wavelengthCoeffs)[slot - 1] = parseSlotText<double>(text);
        else if (slot == 5)
            *strayLight = parseSlotText<double>(text);
        else if (slot <= 13)
            (*nonlinearityCoeffs)[slot - 6] = parseSlotText<double>(text);
        else
            order = parseSlotText<std::int32_t>(text);
    }
    return order;
}

}  // namespace spectro
