#include "ShotFileReader.h"

#include <H5Cpp.h>

#include <stdexcept>

namespace quillfen::shots {

namespace {

std::string typeOf(const H5::DataType& type) {
    const std::string order = [&] {
        switch (type.getClass()) {
            case H5T_INTEGER:
                return H5::IntType(type.getId()).getOrder() == H5T_ORDER_LE ? "le" : "be";
            case H5T_FLOAT:
                return H5::FloatType(type.getId()).getOrder() == H5T_ORDER_LE ? "le" : "be";
            default:
                return "";
        }
    }();
    const std::string bits = std::to_string(8 * type.getSize());
    if (type.getClass() == H5T_INTEGER) {
        const bool isSigned = H5::IntType(type.getId()).getSign() != H5T_SGN_NONE;
        return (isSigned ? "int" : "uint") + bits + order;
    }
    if (type.getClass() == H5T_FLOAT) return "float" + bits + order;
    return "class " + std::to_string(type.getClass()) + ", " + bits + " bits";
}

std::vector<std::uint64_t> shapeOf(const H5::DataSpace& space) {
    const int rank = space.getSimpleExtentNdims();
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    if (rank > 0) space.getSimpleExtentDims(dims.data());
    return {dims.begin(), dims.end()};
}

void readInto(const H5::DataSet& dataset, double* values) {
    dataset.read(values, H5::PredType::NATIVE_DOUBLE);
}

void readInto(const H5::Attribute& attribute, double* values) {
    attribute.read(H5::PredType::NATIVE_DOUBLE, values);
}

template <typename Object>
StoredValues valuesOf(const Object& object, const H5::DataType& type, const H5::DataSpace& space) {
    StoredValues stored;
    stored.type = typeOf(type);
    stored.shape = shapeOf(space);
    stored.values.resize(static_cast<std::size_t>(space.getSimpleExtentNpoints()));
    // An empty dataset has nothing to read.
    if (!stored.values.empty()) readInto(object, stored.values.data());
    return stored;
}

StoredValues readDataset(const H5::DataSet& dataset) {
    return valuesOf(dataset, dataset.getDataType(), dataset.getSpace());
}

ShotFileContents readContents(const std::string& path) {
    const H5::H5File file(path, H5F_ACC_RDONLY);
    ShotFileContents contents;
    for (hsize_t i = 0; i < file.getNumObjs(); ++i) {
        const std::string name = file.getObjnameByIdx(i);
        (file.childObjType(name) == H5O_TYPE_DATASET ? contents.datasets : contents.otherObjects)
            .push_back(name);
    }
    const H5::DataSet spectra = file.openDataSet("Spectra");
    contents.spectra = readDataset(spectra);
    contents.wavelengths = readDataset(file.openDataSet("Wavelengths"));
    contents.timeDifferences = readDataset(file.openDataSet("TimeDifferences"));
    for (int i = 0; i < spectra.getNumAttrs(); ++i) {
        const H5::Attribute attribute = spectra.openAttribute(static_cast<unsigned>(i));
        contents.spectraAttributes[attribute.getName()] =
            valuesOf(attribute, attribute.getDataType(), attribute.getSpace());
    }
    return contents;
}

}  // namespace

ShotFileContents readShotFile(const std::string& path) {
    H5::Exception::dontPrint();
    try {
        return readContents(path);
    } catch (const H5::Exception& e) {
        throw std::runtime_error("cannot read the shot file " + path + ": " + e.getDetailMsg() +
                                 " (in " + e.getFuncName() + ")");
    }
}

}  // namespace quillfen::shots
