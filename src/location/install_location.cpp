// The install-location lookup in the registry, and the folder clean-up.
#include "location/install_location.h"

RegistryQueryState RegistryQuery;
