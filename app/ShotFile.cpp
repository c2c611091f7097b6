#include "app/ShotFile.h"

#include <H5Cpp.h>

#include <cmath>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/AppStatus.h"

namespace quillfen {

namespace {

// The integration time is handed to the library as a native unsigned int.
static_assert(std::is_same_v<std::uint32_t, unsigned int>);

// Files are little-endian whatever the host; on little-endian hosts this is the native double.
const H5::PredType& storedDouble() { return H5::PredType::IEEE_F64LE; }

void reportFailure(const std::string& alias, const std::string& detail,
                   const std::string& function) {
    std::lock_guard<std::mutex> lock(consoleMutex);
    std::cout << "HDF5 exeption for spectrometer " << alias << ": " << detail << " (in " << function
              << ")" << std::endl;
    emitStatus(AppStatus().warning("HDF5 exeption in " + function));
}

std::optional<std::string> shortBuffer(const char* what, const std::vector<double>& buffer,
                                       std::size_t needed, const std::string& shape) {
    if (buffer.size() >= needed) {
        return std::nullopt;
    }
    return std::string("the ") + what + " buffer holds " + std::to_string(buffer.size()) +
           " values, " + shape + " needed";
}

// Why the record's buffers cannot be written as its counts say, or nothing. The library would
// read past a buffer that is shorter than its dataset.
std::optional<std::string> bufferFault(const SpectrometerRecord& record) {
    if (record.spectraCount < 0 || record.spectrumLength < 0) {
        return "negative buffer size (" + std::to_string(record.spectraCount) + " spectra of " +
               std::to_string(record.spectrumLength) + " pixels)";
    }
    const auto rows = static_cast<std::size_t>(record.spectraCount);
    const auto pixels = static_cast<std::size_t>(record.spectrumLength);
    if (auto fault = shortBuffer("spectra", record.spectra, rows * pixels,
                                 std::to_string(rows) + " x " + std::to_string(pixels))) {
        return fault;
    }
    if (auto fault =
            shortBuffer("wavelengths", record.wavelengths, pixels, std::to_string(pixels))) {
        return fault;
    }
    return shortBuffer("time differences", record.timeDifferences, rows, std::to_string(rows));
}

H5::DataSet writeSpectra(const H5::H5File& file, const SpectrometerRecord& record) {
    const hsize_t dims[2] = {static_cast<hsize_t>(record.spectraCount),
                             static_cast<hsize_t>(record.spectrumLength)};
    H5::DataSpace space(2, dims);
    H5::IntType type(H5::PredType::NATIVE_USHORT);
    type.setOrder(H5T_ORDER_LE);
    H5::DataSet spectra = file.createDataSet("Spectra", type, space);
    // The library converts each double to the 16-bit stored type.
    spectra.write(record.spectra.data(), H5::PredType::NATIVE_DOUBLE);
    return spectra;
}

void writeVector(const H5::H5File& file, const char* name, const std::vector<double>& values,
                 std::int32_t count) {
    const hsize_t dims[1] = {static_cast<hsize_t>(count)};
    H5::DataSpace space(1, dims);
    H5::DataSet dataset = file.createDataSet(name, storedDouble(), space);
    // Zero elements need no buffer: an empty vector's null address is fine.
    dataset.write(values.data(), H5::PredType::NATIVE_DOUBLE);
    dataset.flush(H5F_SCOPE_LOCAL);
    dataset.close();
}

void writeAttribute(const H5::DataSet& spectra, const char* name, const H5::DataSpace& space,
                    const H5::PredType& memoryType, const void* value) {
    H5::Attribute attribute = spectra.createAttribute(name, storedDouble(), space);
    attribute.write(memoryType, value);
    attribute.close();
}

void writeScalar(const H5::DataSet& spectra, const char* name, double value) {
    writeAttribute(spectra, name, H5::DataSpace(H5S_SCALAR), H5::PredType::NATIVE_DOUBLE, &value);
}

void writeAttributes(const H5::DataSet& spectra, const SpectrometerRecord& record) {
    const hsize_t coefficients[1] = {record.nonLinearityCalibration.size()};
    writeAttribute(spectra, "NonLinearityCalibration", H5::DataSpace(1, coefficients),
                   H5::PredType::NATIVE_DOUBLE, record.nonLinearityCalibration.data());
    writeScalar(spectra, "StrayLightConstant", record.strayLightConstant);
    // A unit without a board thermometer leaves the temperature out.
    if (!std::isnan(record.pcbTemperature)) {
        writeScalar(spectra, "PCBTemperature", record.pcbTemperature);
    }
    writeAttribute(spectra, "IntegrationTime_us", H5::DataSpace(H5S_SCALAR),
                   H5::PredType::NATIVE_UINT, &record.integrationTime_us);
    writeScalar(spectra, "SamplingFrequency", 1'000'000.0 / record.integrationTime_us);
    writeScalar(spectra, "RelativeDelayTime", static_cast<double>(record.relativeDelay_ns) / 1e9);
}

// Each object is flushed before it is closed, so that a full disk fails the flush. A failed close
// leaves the library's handle half released, and closing it again (as the destructors do while
// the exception unwinds) crashes this HDF5 version.
void writeShotFile(const SpectrometerRecord& record) {
    H5::H5File file(record.dataFilePath, H5F_ACC_TRUNC);
    H5::DataSet spectra = writeSpectra(file, record);
    writeVector(file, "Wavelengths", record.wavelengths, record.spectrumLength);
    writeVector(file, "TimeDifferences", record.timeDifferences, record.spectraCount);
    writeAttributes(spectra, record);
    file.flush(H5F_SCOPE_LOCAL);
    // Closed here: a destructor would swallow a failure.
    spectra.close();
    file.close();
}

}  // namespace

bool saveShotFile(const SpectrometerRecord& record) {
    H5::Exception::dontPrint();
    if (const auto fault = bufferFault(record)) {
        reportFailure(record.name, *fault, "saveShotFile");
        return false;
    }
    try {
        writeShotFile(record);
        return true;
    } catch (const H5::Exception& e) {
        reportFailure(record.name, e.getDetailMsg(), e.getFuncName());
        return false;
    }
}

}  // namespace quillfen
