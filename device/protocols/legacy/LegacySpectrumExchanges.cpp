#include "device/protocols/legacy/LegacySpectrumExchanges.h"

#include <algorithm>
#include <string>

#include "device/common/Exceptions.h"
#include "device/common/LittleEndianWords.h"

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

bool ReadSpectrumExchange::receiveFrame(TransferHelper& helper, const char*) {
    // Decoding reads the exchange's own buffer, so the copy Transfer::transfer would make is
    // not needed. A read that fails throws; one that delivers nothing is a short frame.
    return receive(helper) == length && length > 0;
}

void ReadSpectrumExchange::checkSync(const char* badSync, bool complete) const {
    // A short frame ends in bytes of an earlier one: out of step just the same.
    if (!complete || buffer[length - 1] != SYNC_BYTE) throw ProtocolFormatException(badSync);
}

std::size_t ReadSpectrumExchange::wordsToDecode() const {
    return std::min<std::size_t>(pixelCount, length / 2);
}

std::unique_ptr<UShortVector> ReadSpectrumExchange::decodeLittleEndian(std::uint16_t wordXor) const {
    std::vector<std::uint16_t> values(wordsToDecode());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>(littleEndianWord(buffer.data(), i) ^ wordXor);
    return std::make_unique<UShortVector>(std::move(values));
}

std::unique_ptr<DoubleVector> ReadSpectrumExchange::decodeGainA(std::uint16_t wordXor,
                                                                GainAdjustmentSource& source) const {
    const double M = source.getMaximumIntensity();
    const double S = source.getSaturationLevel();
    std::vector<double> values(wordsToDecode());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto word = static_cast<std::uint16_t>(littleEndianWord(buffer.data(), i) ^ wordXor);
        values[i] = gainAdjustedA(word, M, S);
    }
    return std::make_unique<DoubleVector>(std::move(values));
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
    readFrame(helper, FPGA_MISSING.c_str(), FPGA_SYNC.c_str());
    if (source == nullptr) return decodeLittleEndian(0);
    return decodeGainA(0, *source);
}

NIRQuestSpectrumExchange::NIRQuestSpectrumExchange(std::uint32_t frameLength,
                                                   std::uint32_t pixelCount,
                                                   GainAdjustmentSource* source)
    : QESpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> NIRQuestSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, QE_MISSING.c_str(), QE_SYNC.c_str());
    if (source == nullptr) return decodeLittleEndian(0x8000);
    return decodeGainA(0x8000, *source);
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
    std::vector<double> values(wordsToDecode());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = gainAdjustedB(littleEndianWord(buffer.data(), i), M, factor);
    return std::make_unique<DoubleVector>(std::move(values));
}

JazSpectrumExchange::JazSpectrumExchange(std::uint32_t frameLength, std::uint32_t pixelCount,
                                         GainAdjustmentSource* source)
    : ReadSpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> JazSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, JAZ_MISSING.c_str(), nullptr);
    if (source == nullptr) return rawFrame(buffer, length);
    return decodeGainA(0, *source);
}

FlameNIRSpectrumExchange::FlameNIRSpectrumExchange(std::uint32_t frameLength,
                                                   std::uint32_t pixelCount,
                                                   GainAdjustmentSource* source)
    : ReadSpectrumExchange(frameLength, pixelCount), source(source) {}

std::unique_ptr<Data> FlameNIRSpectrumExchange::transfer(TransferHelper& helper) {
    readFrame(helper, FLAME_NIR_MISSING.c_str(), nullptr);
    if (source == nullptr) return rawFrame(buffer, length);
    return decodeGainA(0, *source);
}

}  // namespace spectro::legacyProtocol
