// placeholder until the generated resources arrive
