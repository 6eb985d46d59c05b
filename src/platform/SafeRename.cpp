// Placeholder until this part of the platform layer lands.
