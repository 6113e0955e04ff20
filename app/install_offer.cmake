# The self-install offer run by Form1::Form_Load.
target_sources(veltrano_app PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/install_offer.cpp)
