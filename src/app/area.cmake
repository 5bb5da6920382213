# The program's data folder in the build tree (factory settings), used
# when no installed share/kxtext lies beside the binary.
target_compile_definitions(kx_app PRIVATE KX_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources")
