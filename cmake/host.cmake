# Native Linux build: publisher tools and the portable format code with its tests.
set(UPD_TARGET host)
