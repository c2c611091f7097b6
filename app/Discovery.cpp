#include "app/Discovery.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "app/AppStatus.h"
#include "app/Console.h"

namespace quillfen {

namespace {

using spectro::SpectroWrapper;

void closeSlot(SpectroWrapper& facade, int index) {
    int code = 0;
    facade.closeSpectrometer(index, &code);
    if (checkError("Close spectrometer failed", code)) {
        std::cout << "Spectrometer[" << index << "] closed" << std::endl;
    }
}

// The serial number as part of a file name: a unit can send anything as its serial number,
// and a '/', '\' or control character must never take the file out of the working folder.
std::string fileNameOf(const std::string& serial) {
    std::string name = serial;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
    }
    return name;
}

// Gives the unit in slot `index` to the first record that has its serial number or is a
// placeholder. Returns false when no record wants it.
bool claimDevice(std::vector<SpectrometerRecord>& records, int index, const std::string& serial) {
    for (auto& record : records) {
        if (record.serialNumber == serial) {
            record.slot = index;
            return true;
        }
        if (record.slot == SLOT_PLACEHOLDER) {
            record.slot = index;
            record.serialNumber = serial;
            record.name = serial;
            record.dataFilePath = fileNameOf(serial) + "_{shot}_.h5";
            return true;
        }
    }
    return false;
}

}  // namespace

int discoverSpectrometers(SpectroWrapper& facade, std::vector<SpectrometerRecord>& records) {
    int connected = 0;
    for (int i = 0; i < SpectroWrapper::SLOT_COUNT; ++i) {
        int code = 0;
        facade.openSpectrometer(i, &code);
        if (code != 0) {
            continue;
        }
        ++connected;
        std::cout << "Connected to spectrometer [" << i << "]" << std::endl;

        char model[SpectroWrapper::MODEL_NAME_BUFFER];
        facade.getModelName(i, &code, model);
        if (!checkError("Get model failed", code)) {
            closeSlot(facade, i);
            continue;
        }
        std::cout << " Spectrometer[" << i << "] model: " << model << std::endl;

        char serialBuffer[SpectroWrapper::SERIAL_NUMBER_BUFFER];
        const int serialLength = facade.getSerialNumber(i, &code, serialBuffer);
        if (!checkError("Get serial number failed", code)) {
            closeSlot(facade, i);
            continue;
        }
        // The slot's text keeps its terminating zero byte, which is not part of the serial
        // number (a configured "HR+C1834" must match); a serial number that fills the whole
        // buffer has no terminating zero at all.
        const std::size_t serialBytes = static_cast<std::size_t>(
            std::clamp(serialLength, 0, SpectroWrapper::SERIAL_NUMBER_BUFFER));
        const std::string serial(serialBuffer,
                                 std::find(serialBuffer, serialBuffer + serialBytes, '\0'));
        std::cout << " Spectrometer[" << i << "] serial number: " << serial << std::endl;

        if (!claimDevice(records, i, serial)) {
            closeSlot(facade, i);
        }
    }
    if (connected == 0) {
        std::cout << "No spectrometers found." << std::endl;
        emitStatus(AppStatus().error("No spectrometers found."));
    }
    return connected;
}

void pruneUnmatched(std::vector<SpectrometerRecord>& records, int connectedCount) {
    const std::size_t before = records.size();
    std::erase_if(records, [](const SpectrometerRecord& r) { return r.slot < 0; });
    if (records.size() != before) {
        std::cout << "Not all requested spectrometers found." << std::endl;
        emitStatus(AppStatus().warning("Not all requested spectrometers found."));
    }
    if (records.empty() && connectedCount > 0) {
        std::cout << "No requested spectrometers found." << std::endl;
        emitStatus(AppStatus().error("No requested spectrometers found."));
    }
}

void closeSpectrometers(SpectroWrapper* facade, std::vector<SpectrometerRecord>& records,
                        bool automatic) {
    for (auto& record : records) {
        if (record.slot < 0) {
            continue;
        }
        record.spectra = {};
        record.timeDifferences = {};
        record.wavelengths = {};
        record.testSpectrum = {};
        if (facade != nullptr) {
            int code = 0;
            facade->closeSpectrometer(record.slot, &code);
            checkError("Close spectrometer " + record.name + " failed", code);
        }
    }
    if (!automatic) {
        waitForEnter();
    }
}

}  // namespace quillfen
