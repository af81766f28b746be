# Models: content/models/<name>.txt -> main/models/<name>.zmf, packed into
# wrenzo.models. (Filled in by the model compiler's rules.)
