// placeholder until the first window of this library lands
