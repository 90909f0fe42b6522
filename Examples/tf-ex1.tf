# A storage bucket and a small virtual machine.
terraform {
  required_version = ">= 1.5"
  required_providers {
    aws = {
      source  = "hashicorp/aws"
      version = "~> 5.0"
    }
  }
}

variable "environment" {
  type        = string
  default     = "staging"
  description = "Name of the environment, used in tags."
}

locals {
  name_prefix = "shop-${var.environment}"
  ports       = [80, 443]
  is_prod     = var.environment == "production" ? true : false
}

/* Logs go here. */
resource "aws_s3_bucket" "logs" {
  bucket = "${local.name_prefix}-logs"
  tags = {
    Environment = var.environment
    Count       = length(local.ports)
  }
}

resource "aws_instance" "web" {
  count         = local.is_prod ? 2 : 1
  ami           = data.aws_ami.debian.id
  instance_type = "t3.micro"
  user_data     = <<-EOT
    #!/bin/sh
    echo "hello from ${local.name_prefix}-${count.index}"
    %{ for p in local.ports }open ${p}
    %{ endfor }
  EOT
}

output "bucket_arn" {
  value = aws_s3_bucket.logs.arn // the bucket's ARN
}
