#include "device/protocols/fbp/FBPCalibrationProtocols.h"

#include <algorithm>

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

// More coefficients than this is not a count the unit can hold.
constexpr std::uint8_t MAXIMUM_COEFFICIENTS = 16;

const char* const NO_CALIBRATION =
    "Expected queryDevice to produce a non-null result containing calibration data.  Without "
    "this data, it is not possible to generate a calibration array.";

// The f32 coefficient at `index`; a missing or short reply throws `missing`.
template <class Query>
double coefficient(const Bus& bus, std::uint8_t index, const char* missing) {
    Query query;
    query.setPayload({index});
    return readF32(askAtLeast(bus, query, 4, missing).data());
}

// The count, then each coefficient; no count (or an impossible one) is none, not an error.
template <class CountQuery, class CoefficientQuery>
std::optional<std::vector<double>> coefficientList(const Bus& bus, const char* missing) {
    CountQuery countQuery;
    const std::optional<Bytes> reply = ask(bus, countQuery);
    if (!reply || reply->empty() || (*reply)[0] > MAXIMUM_COEFFICIENTS) return std::nullopt;
    std::vector<double> values((*reply)[0]);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = coefficient<CoefficientQuery>(bus, static_cast<std::uint8_t>(i), missing);
    return values;
}

}  // namespace

FBPWaveCalProtocol::FBPWaveCalProtocol() : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::vector<double> FBPWaveCalProtocol::readWavelengthCoeffs(const Bus& bus) {
    std::vector<double> values(4);
    for (std::uint8_t i = 0; i < 4; ++i) {
        values[i] = coefficient<FBPGetWaveCalExchange>(
            bus, i,
            "Expected Transfer::transfer to produce a non-null result containing wavelength "
            "coefficient.  Without this data, it is not possible to continue.");
    }
    return values;
}

FBPNonlinearityCoeffsProtocol::FBPNonlinearityCoeffsProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::optional<std::vector<double>> FBPNonlinearityCoeffsProtocol::readNonlinearityCoeffs(
    const Bus& bus) {
    return coefficientList<FBPGetNonlinearityCoeffsCountExchange, FBPGetNonlinearityCoeffExchange>(
        bus,
        "Expected Transfer::transfer to produce a non-null result containing linearity "
        "coefficient.  Without this data, it is not possible to continue.");
}

FBPStrayLightCoeffsProtocol::FBPStrayLightCoeffsProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::optional<std::vector<double>> FBPStrayLightCoeffsProtocol::readStrayLightCoeffs(
    const Bus& bus) {
    return coefficientList<FBPGetStrayLightCoeffsCountExchange, FBPGetStrayLightCoeffExchange>(
        bus,
        "Expected Transfer::transfer to produce a non-null result containing stray light "
        "coefficient.  Without this data, it is not possible to continue.");
}

FBPIrradCalProtocol::FBPIrradCalProtocol(std::uint32_t numberOfPixels)
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()), numberOfPixels(numberOfPixels) {}

std::vector<float> FBPIrradCalProtocol::readIrradCal(const Bus& bus) {
    FBPGetIrradCalExchange query;
    const std::optional<Bytes> reply = ask(bus, query);
    // A trailing partial value would be read past the reply, so such a reply counts as none.
    if (!reply || reply->size() % 4 != 0) throw ProtocolException(NO_CALIBRATION);
    std::vector<float> values(reply->size() / 4);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = readF32(reply->data() + 4 * i);
    return values;
}

int FBPIrradCalProtocol::writeIrradCal(const Bus& bus, const std::vector<float>& values) {
    const std::size_t count = std::min<std::size_t>(values.size(), numberOfPixels);
    Bytes request;
    request.reserve(4 * count);
    for (std::size_t i = 0; i < count; ++i) appendF32(request, values[i]);
    FBPSetIrradCalExchange command;
    command.setPayload(std::move(request));
    tell(bus, command);  // the unit's acknowledgement is not examined
    return static_cast<int>(count);
}

bool FBPIrradCalProtocol::hasCollectionArea(const Bus& bus) {
    try {
        readCollectionArea(bus);
        return true;
    } catch (const ProtocolException&) {
        return false;
    }
}

double FBPIrradCalProtocol::readCollectionArea(const Bus& bus) {
    FBPGetIrradCollectionAreaExchange query;
    const std::optional<Bytes> reply = ask(bus, query);
    if (!reply) throw ProtocolException(NO_CALIBRATION);
    if (reply->size() < 4) {
        throw ProtocolException(
            "Failed to get back expected number of bytes that should have held collection area.");
    }
    return readF32(reply->data());
}

void FBPIrradCalProtocol::writeCollectionArea(const Bus& bus, double area) {
    FBPSetIrradCollectionAreaExchange command;
    command.setPayload(f32Bytes(static_cast<float>(area)));
    tell(bus, command);  // the unit's acknowledgement is not examined
}

}  // namespace spectro::framedBinaryProtocol
