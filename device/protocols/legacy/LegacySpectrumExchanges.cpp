#include "device/protocols/legacy/LegacySpectrumExchanges.h"

#include <algorithm>
#include <string>

#include "device/common/Exceptions.h"

namespace spectro::legacyProtocol {

namespace {

// The texts of the formats, built from their class names.
std::string missingText(const char* who) {
    return std::string(who) +
           "Expected Transfer::transfer to produce a non-null result containing raw spectral "
           "data.  Without this data, it is not possible to generate a valid formatted "
           "spectrum.";
}

std::string badSyncText(const char* who) {
    return std::string(who) +
           "::transfer: Did not find expected synch byte (0x69) at the end of spectral data "
           "transfer.  This suggests that the data stream is now out of synchronization, or "
           "possibly that an underlying read operation failed prematurely due to bus issues.";
}

const std::string LEGACY_2K_MISSING = missingText("Legacy2KSpectrumExchange::transfer: ");
const std::string LEGACY_2K_SYNC = badSyncText("Legacy2KSpectrumExchange");
const std::string HR_FPGA_MISSING = missingText("HRFPGASpectrumExchange::transfer: ");
const std::string HR_FPGA_SYNC = badSyncText("HRFPGASpectrumExchange");
const std::string FPGA_MISSING = missingText("FPGASpectrumExchange::transfer: ");
const std::string FPGA_SYNC = badSyncText("FPGASpectrumExchange");
const std::string QE_MISSING = missingText("QESpectrumExchange::transfer: ");
const std::string QE_SYNC = badSyncText("QESpectrumExchange");
const std::string MAYA_PRO_MISSING = missingText("MayaProSpectrumExchange::transfer: ");
const std::string MAYA_PRO_SYNC = badSyncText("MayaProSpectrumExchange");
const std::string JAZ_MISSING = missingText("");
const std::string FLAME_NIR_MISSING = missingText("FlameNIRSpectrumExchange::transfer: ");
const std::string USB_FPGA_MISSING =
    "Expected FPGASpectrumExchange::transfer to produce a non-null result containing raw "
    "spectral data.  Without this data, it is not possible to generate a valid formatted "
    "spectrum.";
const std::string NIRQUEST_MISSING =
    "NIRQuestSpectrumExchange::transfer: Expected QESpectrumExchange::transfer to produce a "
    "non-null result containing raw spectral data.  Without this data, it is not possible to "
    "generate a valid formatted spectrum.";

std::unique_ptr<DoubleVector> adjustA(const UShortVector& words, GainAdjustmentSource& source) {
    const double M = source.getMaximumIntensity();
    const double S = source.getSaturationLevel();
    const std::vector<std::uint16_t>& in = words.getValues();
    std::vector<double> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = gainAdjustedA(in[i], M, S);
    return std::make_unique<DoubleVector>(std::move(out));
}

// The byte copy of a frame for the undecorated result of a format without its feature.
std::unique_ptr<ByteVector> rawFrame(const std::vector<std::uint8_t>& buffer, std::uint32_t length) {
    return std::make_unique<ByteVector>(
        std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length));
}

}  // namespace

ReadSpectrumExchange::ReadSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount)
    : Transfer(std::make_unique<SpectrumHint>(), FROM_DEVICE, frameLength), pixelCount(pixelCount) {}

void ReadSpectrumExchange::readFrame(TransferHelper& helper, const char* missing,
                                     const char* badSync) {
    const bool complete = receiveFrame(helper, missing);
    if (badSync == nullptr) {
        if (!complete) throw ProtocolException(missing);
        return;
    }
    checkSync(badSync, complete);
}

bool ReadSpectrumExchange::receiveFrame(TransferHelper& helper, const char* missing) {
    // The copy Transfer returns is not needed: decoding reads the exchange's own buffer.
    const std::unique_ptr<Data> result = Transfer::transfer(helper);
    if (!result) throw ProtocolException(missing);
    return length > 0 && receivedLength == length;
}

void ReadSpectrumExchange::checkSync(const char* badSync, bool complete) const {
    // A short frame ends in bytes of an earlier one: out of step just the same.
    if (!complete || buffer[length - 1] != SYNC_BYTE) throw ProtocolFormatException(badSync);
}

std::unique_ptr<UShortVector> ReadSpectrumExchange::decodeLittleEndian(std::uint16_t highXor) const {
    const std::size_t pixels = std::min<std::size_t>(pixelCount, length / 2);
    std::vector<std::uint16_t> values(pixels);
    const std::uint8_t* bytes = buffer.data();
    for (std::size_t i = 0; i < pixels; ++i) {
        values[i] = static_cast<std::uint16_t>(
            (static_cast<std::uint16_t>(bytes[2 * i + 1] << 8) ^ highXor) | bytes[2 * i]);
    }
    return std::make_unique<UShortVector>(std::move(values));
}

std::unique_ptr<UShortVector> ReadSpectrumExchange::decode2KBlocks() const {
    std::vector<std::uint16_t> values;
    values.reserve(pixelCount);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const std::size_t low = 128 * (i / 64) + i % 64;
        const std::size_t high = low + 64;
        if (high >= length) break;  // the frame ends before this pixel
        values.push_back(static_cast<std::uint16_t>((buffer[high] & 0x0F) << 8 | buffer[low]));
    }
    return std::make_unique<UShortVector>(std::move(values));
}

std::unique_ptr<Data> Legacy2KSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, LEGACY_2K_MISSING.c_str(), LEGACY_2K_SYNC.c_str());
    return decode2KBlocks();
}

std::unique_ptr<Data> HRFPGASpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, HR_FPGA_MISSING.c_str(), HR_FPGA_SYNC.c_str());
    return decodeLittleEndian(0x2000);
}

std::unique_ptr<Data> FPGASpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, FPGA_MISSING.c_str(), FPGA_SYNC.c_str());
    return decodeLittleEndian(0);
}

std::unique_ptr<Data> QESpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, QE_MISSING.c_str(), QE_SYNC.c_str());
    return decodeLittleEndian(0x8000);
}

USBFPGASpectrumExchange::USBFPGASpectrumExchange(std::uint32_t frameLength,
                                                 std::uint32_t pixelCount,
                                                 GainAdjustmentSource* source)
    : FPGASpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> USBFPGASpectrumExchange::transfer(TransferHelper& helper) {
    std::unique_ptr<Data> words = FPGASpectrumExchange::transfer(helper);
    auto* decoded = dynamic_cast<UShortVector*>(words.get());
    if (decoded == nullptr) throw ProtocolException(USB_FPGA_MISSING);
    if (source == nullptr) return words;
    return adjustA(*decoded, *source);
}

NIRQuestSpectrumExchange::NIRQuestSpectrumExchange(std::uint32_t frameLength,
                                                   std::uint32_t pixelCount,
                                                   GainAdjustmentSource* source)
    : QESpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> NIRQuestSpectrumExchange::transfer(TransferHelper& helper) {
    std::unique_ptr<Data> words = QESpectrumExchange::transfer(helper);
    auto* decoded = dynamic_cast<UShortVector*>(words.get());
    if (decoded == nullptr) throw ProtocolException(NIRQUEST_MISSING);
    if (source == nullptr) return words;
    return adjustA(*decoded, *source);
}

MayaProSpectrumExchange::MayaProSpectrumExchange(std::uint32_t frameLength,
                                                 std::uint32_t pixelCount,
                                                 GainAdjustmentSource* source)
    : ReadSpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> MayaProSpectrumExchange::transfer(TransferHelper& helper) {
    const bool complete = receiveFrame(helper, MAYA_PRO_MISSING.c_str());
    if (source == nullptr) {
        checkSync(MAYA_PRO_SYNC.c_str(), complete);
        return rawFrame(buffer, length);
    }
    // This format asks for its scale before it looks at the sync byte.
    const double M = source->getMaximumIntensity();
    const double factor = M / source->getSaturationLevel();
    checkSync(MAYA_PRO_SYNC.c_str(), complete);
    const std::unique_ptr<UShortVector> words = decodeLittleEndian(0);
    const std::vector<std::uint16_t>& in = words->getValues();
    std::vector<double> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = gainAdjustedB(in[i], M, factor);
    return std::make_unique<DoubleVector>(std::move(out));
}

JazSpectrumExchange::JazSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                                         GainAdjustmentSource* source)
    : ReadSpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> JazSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, JAZ_MISSING.c_str(), nullptr);
    if (source == nullptr) return rawFrame(buffer, length);
    return adjustA(*decodeLittleEndian(0), *source);
}

FlameNIRSpectrumExchange::FlameNIRSpectrumExchange(std::uint32_t frameLength,
                                                   std::uint32_t pixelCount,
                                                   GainAdjustmentSource* source)
    : ReadSpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> FlameNIRSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, FLAME_NIR_MISSING.c_str(), nullptr);
    if (source == nullptr) return rawFrame(buffer, length);
    return adjustA(*decodeLittleEndian(0), *source);
}

}  // namespace spectro::legacyProtocol
